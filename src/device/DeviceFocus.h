// Where typed keys go: the window with the keyboard focus in the foreground thread.
#pragma once

#include <windows.h>

namespace brevitex {

inline HWND ForegroundFocusWindow() {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return nullptr;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

}  // namespace brevitex
