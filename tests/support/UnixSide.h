// The Unix side of a test run under Wine: the Unix path of a file and shell
// commands run there, for conditions a Windows program cannot set up or see
// (file modes, owners, links, immutable flags, small mounts). On Windows
// there is no Unix side and every helper reports so.
#pragma once

#include <string>

namespace testsupport {

// The Unix path of a Windows path; empty when there is no Unix side.
std::string UnixPath(const std::wstring& windowsPath);

// Runs a command line with /bin/sh and waits (bounded) for it to end. True
// when it ran and exited with status 0; its standard output comes back in output.
bool RunUnix(const std::string& command, std::string* output = nullptr);

// Whether the Unix side runs as root (for whom file modes do not stop writes).
bool UnixIsRoot();

// Quotes text for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace testsupport
