// Back-key forwarding: the Back key the menu bar passed to a window as
// WM_HOTKEY goes to the focused edit box as Backspace.
#include "device/DeviceFocus.h"
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

// The focused window of the calling thread, or else of the foreground thread.
HWND FocusWindow() {
    if (HWND focus = GetFocus()) return focus;
    return ForegroundFocusWindow();
}

}  // namespace

void DeviceSendBackToFocusWindow(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_HOTKEY || HIWORD(lParam) != kBackKey) return;
    HWND focus = FocusWindow();
    if (!focus) return;
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(VK_BACK, MAPVK_VK_TO_VSC)) << 16;
    // The press is a Backspace press with its character, the release its release,
    // just as a keyboard delivers them; each control then deletes one character.
    if (LOWORD(lParam) & kHotKeyReleased) {
        SendMessageW(focus, WM_KEYUP, VK_BACK, scan | 1 | 0xC0000000);
    } else {
        SendMessageW(focus, WM_KEYDOWN, VK_BACK, scan | 1);
        SendMessageW(focus, WM_CHAR, L'\b', scan | 1);
    }
}

}  // namespace brevitex
