// Tap-and-hold recognition: the stylus held still on the same spot for half a
// second brings up the window's context menu (WM_CONTEXTMENU).
#include <cstdlib>

#include "common/DeviceShell.h"

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

}  // namespace

DWORD DeviceRecognizeGesture(GestureInfo* info) {
    if (!info || !IsWindow(info->window)) return 0;
    POINT screen = info->point;
    ClientToScreen(info->window, &screen);
    // Only look at the queue: a release or move stays there for the caller's control.
    DWORD start = GetTickCount();
    for (;;) {
        if (HoldBroken(screen) || !IsWindow(info->window)) return 0;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kHoldMs) break;
        DWORD wait = kHoldMs - elapsed < kPollMs ? kHoldMs - elapsed : kPollMs;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_MOUSE | QS_POSTMESSAGE);
    }
    PostMessageW(info->window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(info->window), MAKELPARAM(screen.x, screen.y));
    return 1;
}

}  // namespace brevitex
