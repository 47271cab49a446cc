// Tap-and-hold: a held stylus brings WM_CONTEXTMENU; a quick tap or a drag does
// not, and the recogniser leaves the release and the moves for the control.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::PumpPending;

namespace {
GestureInfo Tap(HWND window) { return GestureInfo{20, window, POINT{30, 40}, kGestureReturnResult}; }
}  // namespace

TEST(GesturesTest, HoldingStillForHalfASecondDeliversContextMenu) {
    RecordingWindow window(WS_POPUP | WS_VISIBLE, 50, 50, 200, 200);
    PumpPending();
    // A small jitter keeps it a hold.
    PostMessageW(window.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(31, 41));
    GestureInfo tap = Tap(window.Handle());
    DWORD start = GetTickCount();
    EXPECT_NE(DeviceRecognizeGesture(&tap), 0u);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 450u);
    EXPECT_LT(elapsed, 1500u);
    EXPECT_EQ(GetCapture(), nullptr);
    PumpPending();
    auto menus = window.Of(WM_CONTEXTMENU);
    ASSERT_EQ(menus.size(), 1u);
    POINT expected{30, 40};
    ClientToScreen(window.Handle(), &expected);
    EXPECT_EQ(reinterpret_cast<HWND>(menus[0].wParam), window.Handle());
    EXPECT_EQ(menus[0].lParam, MAKELPARAM(expected.x, expected.y));
}

TEST(GesturesTest, QuickTapOrDragIsNoGestureAndKeepsItsMessages) {
    RecordingWindow window(WS_POPUP | WS_VISIBLE, 50, 50, 200, 200);
    PumpPending();
    PostMessageW(window.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    GestureInfo tap = Tap(window.Handle());
    DWORD start = GetTickCount();
    EXPECT_EQ(DeviceRecognizeGesture(&tap), 0u);
    EXPECT_LT(GetTickCount() - start, 300u);

    PostMessageW(window.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 40));
    PumpPending();
    window.Clear();
    PostMessageW(window.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 40));
    EXPECT_EQ(DeviceRecognizeGesture(&tap), 0u);
    PumpPending();
    EXPECT_EQ(window.Count(WM_MOUSEMOVE), 1);
    EXPECT_EQ(window.Count(WM_CONTEXTMENU), 0);
}
