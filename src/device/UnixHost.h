// The Unix side of the desktop the device runs on, where there is one (Wine):
// the Unix name of a file and small commands run there for what the Windows
// side of Wine cannot do safely (it follows symbolic links when it deletes,
// moves or copies them). On Windows there is no Unix side.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace brevitex {

// True when the program runs on Wine with a Unix side it can reach.
bool UnixHostAvailable();

// The Unix bytes of a Windows path (extended-length or plain); empty when
// there is no Unix side or the path cannot be translated.
std::string UnixFileName(const wchar_t* windowsPath);

// Text quoted for the Unix shell, byte for byte.
std::string UnixShellQuoted(const std::string& text);

// Runs a program of the Unix side with the given arguments (passed byte for
// byte) and waits up to timeoutMs for it to end. Its exit status (0: done),
// or -1 when it could not be run or did not end in time.
int RunUnixProgram(const std::vector<std::string>& arguments, DWORD timeoutMs);

}  // namespace brevitex
