// The program's private window and thread messages.
#pragma once

#include <windows.h>

namespace brevitex {

// Thread message to the main thread: wParam show command, lParam a process-heap
// copy of the command line whose ownership passes to the receiver.
inline constexpr UINT UWM_NEW_FRAME = WM_USER + 100;
// Sent to the frame to refresh the caret position text (wParam 0, lParam 0).
inline constexpr UINT UWM_UPDATE_POSITION = WM_USER + 102;
// Posted by a new frame to itself: open the file named on its command line,
// now that the window shows.
inline constexpr UINT UWM_OPEN_COMMAND_LINE = WM_USER + 103;
// Posted by a frame to itself: give the view the size it kept while a dialog was active.
inline constexpr UINT UWM_LAYOUT_VIEW = WM_USER + 104;

}  // namespace brevitex
