// The frame thread procedure, the frame window class and the command-line
// preparation every frame thread applies.
#pragma once

#include <windows.h>

namespace brevitex {

inline constexpr wchar_t kFrameClassName[] = L"ZuzodurIzaVazed";

// Runs one frame window: registers a message loop, creates the MainFrame,
// runs the loop. The argument is a FrameStartData the thread owns.
DWORD WINAPI FrameThreadProc(void* param);

// Strips one level of quoting in place: a leading " or ' is skipped and the
// text is cut at the last occurrence of the same quote. Returns the start of
// the prepared text (null stays null).
wchar_t* PrepareCommandLine(wchar_t* commandLine);

// Registers the frame window class once per process; returns its atom (0 on failure).
ATOM RegisterFrameClass();

}  // namespace brevitex
