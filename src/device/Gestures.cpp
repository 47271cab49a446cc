// Tap-and-hold recognition: the stylus held still on the same spot for half a
// second brings up the window's context menu (WM_CONTEXTMENU).
#include <cstdlib>

#include "device/DeviceShell.h"

namespace brevitex {

namespace {

constexpr DWORD kHoldMs = 500;
constexpr DWORD kPollMs = 20;

// Whether a mouse message already queued for this thread ends the hold:
// another button event, or a move away from the starting point.
bool HoldBroken(POINT startScreen) {
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_LBUTTONUP, WM_MBUTTONDBLCLK, PM_NOREMOVE | PM_NOYIELD)) return true;
    if (PeekMessageW(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_NOREMOVE | PM_NOYIELD)) {
        POINT point{static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
        if (message.hwnd) ClientToScreen(message.hwnd, &point);
        if (std::abs(point.x - startScreen.x) > GetSystemMetrics(SM_CXDRAG) ||
            std::abs(point.y - startScreen.y) > GetSystemMetrics(SM_CYDRAG)) {
            return true;
        }
    }
    return false;
}

// Waits out the hold time, only looking at the queue: a release or move stays
// there for the caller's control. True when nothing broke the hold.
bool WaitForHold(HWND window, POINT startScreen) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HoldBroken(startScreen) || !IsWindow(window)) return false;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kHoldMs) return true;
        DWORD wait = kHoldMs - elapsed < kPollMs ? kHoldMs - elapsed : kPollMs;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_MOUSE | QS_POSTMESSAGE);
    }
}

}  // namespace

DWORD DeviceRecognizeGesture(GestureInfo* info) {
    if (!info || !IsWindow(info->window)) return 0;
    POINT screen = info->point;
    ClientToScreen(info->window, &screen);
    // The capture brings the release to this thread wherever the stylus
    // leaves the screen; the caller's control takes its own capture after.
    HWND window = info->window;
    bool captured = GetCapture() == nullptr;
    if (captured) SetCapture(window);
    bool held = WaitForHold(window, screen);
    if (captured && GetCapture() == window) ReleaseCapture();
    if (!held) return 0;
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(screen.x, screen.y));
    return 1;
}

}  // namespace brevitex
