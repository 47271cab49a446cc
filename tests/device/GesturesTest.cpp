// Tap-and-hold: a held stylus brings WM_CONTEXTMENU, a quick tap or a drag does
// not, and the recogniser leaves the release and the moves for the control.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::PumpPending;

namespace {

GestureInfo Tap(HWND window, int x, int y) { return GestureInfo{20, window, POINT{x, y}, kGestureReturnResult}; }

class GesturesTest : public testing::Test {
protected:
    GesturesTest() : window_(WS_POPUP | WS_BORDER | WS_VISIBLE, 50, 50, 200, 200, nullptr, WS_EX_TOOLWINDOW) {
        PumpPending();
        window_.Clear();
    }
    RecordingWindow window_;
};

}  // namespace

TEST_F(GesturesTest, HoldingStillForHalfASecondDeliversContextMenu) {
    GestureInfo tap = Tap(window_.Handle(), 30, 40);
    DWORD start = GetTickCount();
    EXPECT_NE(DeviceRecognizeGesture(&tap), 0u);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 450u);
    EXPECT_LT(elapsed, 1500u);
    PumpPending();
    auto menus = window_.Of(WM_CONTEXTMENU);
    ASSERT_EQ(menus.size(), 1u);
    POINT expected{30, 40};
    ClientToScreen(window_.Handle(), &expected);
    EXPECT_EQ(reinterpret_cast<HWND>(menus[0].wParam), window_.Handle());
    EXPECT_EQ(static_cast<short>(LOWORD(menus[0].lParam)), expected.x);
    EXPECT_EQ(static_cast<short>(HIWORD(menus[0].lParam)), expected.y);
    EXPECT_EQ(GetCapture(), nullptr);  // the recogniser leaves no capture behind
}

TEST_F(GesturesTest, QuickTapIsNotAGestureAndKeepsTheRelease) {
    PostMessageW(window_.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
    GestureInfo tap = Tap(window_.Handle(), 30, 40);
    DWORD start = GetTickCount();
    EXPECT_EQ(DeviceRecognizeGesture(&tap), 0u);
    EXPECT_LT(GetTickCount() - start, 300u);
    PumpPending();
    EXPECT_EQ(window_.Count(WM_LBUTTONUP), 1);
    EXPECT_EQ(window_.Count(WM_CONTEXTMENU), 0);
}

TEST_F(GesturesTest, ReleaseDuringTheHoldEndsIt) {
    // The release comes from another thread while the recogniser waits.
    HWND target = window_.Handle();
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* hwnd) -> DWORD {
            Sleep(150);
            PostMessageW(static_cast<HWND>(hwnd), WM_LBUTTONUP, 0, MAKELPARAM(30, 40));
            return 0;
        },
        target, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    GestureInfo tap = Tap(target, 30, 40);
    DWORD start = GetTickCount();
    EXPECT_EQ(DeviceRecognizeGesture(&tap), 0u);
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 100u);
    EXPECT_LT(elapsed, 450u);
    WaitForSingleObject(thread, 2000);
    CloseHandle(thread);
    PumpPending();
    EXPECT_EQ(window_.Count(WM_CONTEXTMENU), 0);
    EXPECT_EQ(window_.Count(WM_LBUTTONUP), 1);
}

TEST_F(GesturesTest, MovingAwayIsNotAGestureButAJitterIs) {
    PostMessageW(window_.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(90, 40));
    GestureInfo drag = Tap(window_.Handle(), 30, 40);
    EXPECT_EQ(DeviceRecognizeGesture(&drag), 0u);
    PumpPending();
    EXPECT_EQ(window_.Count(WM_MOUSEMOVE), 1);

    window_.Clear();
    PostMessageW(window_.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(31, 41));
    GestureInfo jitter = Tap(window_.Handle(), 30, 40);
    EXPECT_NE(DeviceRecognizeGesture(&jitter), 0u);
    PumpPending();
    EXPECT_EQ(window_.Count(WM_CONTEXTMENU), 1);
}

TEST_F(GesturesTest, InvalidRequestsAreNotGestures) {
    EXPECT_EQ(DeviceRecognizeGesture(nullptr), 0u);
    GestureInfo noWindow = Tap(nullptr, 1, 1);
    EXPECT_EQ(DeviceRecognizeGesture(&noWindow), 0u);
}

namespace {

// An edit box that asks for the gesture on the stylus-down, as the program's edit boxes do.
WNDPROC g_editProc = nullptr;
int g_consumedDowns = 0;

LRESULT CALLBACK GestureEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        GestureInfo tap{20, hwnd, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))},
                        kGestureReturnResult};
        if (DeviceRecognizeGesture(&tap)) {
            ++g_consumedDowns;
            return 0;
        }
    }
    return CallWindowProcW(g_editProc, hwnd, message, wParam, lParam);
}

}  // namespace

TEST_F(GesturesTest, PlainTapStillMovesTheCaretOfAnEditBox) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"abcdefghij", WS_CHILD | WS_VISIBLE, 0, 0, 180, 30,
                                window_.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GestureEditProc)));
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, 0);
    LRESULT atFive = SendMessageW(edit, EM_POSFROMCHAR, 5, 0);
    ASSERT_NE(atFive, -1);
    LPARAM point = MAKELPARAM(LOWORD(atFive) + 1, HIWORD(atFive) + 2);
    PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(edit, WM_LBUTTONUP, 0, point);
    PumpPending();
    EXPECT_EQ(g_consumedDowns, 0);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 5u);
    EXPECT_EQ(end, 5u);
    DestroyWindow(edit);
}
