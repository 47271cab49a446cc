// The device screen rectangle and the placement of new top-level windows on it.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using devicetest::ScopedEnvironment;

namespace {

RECT PrimaryWorkArea() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

SIZE SizeOf(const RECT& rect) { return SIZE{rect.right - rect.left, rect.bottom - rect.top}; }

}  // namespace

TEST(DeviceScreenTest, DefaultsToPortraitVgaAtTopLeftOfWorkArea) {
    ScopedEnvironment screen(L"BREVITEX_SCREEN", nullptr);
    RECT rect = DeviceScreenRect();
    RECT work = PrimaryWorkArea();
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, work.top);
    EXPECT_EQ(SizeOf(rect).cx, 480);
    EXPECT_EQ(SizeOf(rect).cy, 640);
}

TEST(DeviceScreenTest, SizeComesFromEnvironment) {
    ScopedEnvironment screen(L"BREVITEX_SCREEN", L"640x480");
    RECT rect = DeviceScreenRect();
    EXPECT_EQ(SizeOf(rect).cx, 640);
    EXPECT_EQ(SizeOf(rect).cy, 480);
    ScopedEnvironment upper(L"BREVITEX_SCREEN", L"240X320");
    EXPECT_EQ(SizeOf(DeviceScreenRect()).cx, 240);
    EXPECT_EQ(SizeOf(DeviceScreenRect()).cy, 320);
}

TEST(DeviceScreenTest, MalformedSizesFallBackToDefault) {
    for (const wchar_t* text : {L"", L"abc", L"640", L"640x", L"x480", L"640x480x2", L"-640x480", L"640 x 480",
                                L"10x10", L"99999999999x480", L"640x480junk"}) {
        ScopedEnvironment screen(L"BREVITEX_SCREEN", text);
        SIZE size = SizeOf(DeviceScreenRect());
        EXPECT_EQ(size.cx, 480) << "BREVITEX_SCREEN=" << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(size.cy, 640) << "BREVITEX_SCREEN=" << testing::PrintToString(std::wstring(text));
    }
}

TEST(DeviceScreenTest, WorkAreaLeavesTheMenuBarStripAtTheBottom) {
    ScopedEnvironment screen(L"BREVITEX_SCREEN", L"320x400");
    RECT rect = DeviceScreenRect();
    RECT work = DeviceWorkArea();
    EXPECT_GT(DeviceMenuBarHeight(), 10);
    EXPECT_EQ(work.left, rect.left);
    EXPECT_EQ(work.top, rect.top);
    EXPECT_EQ(work.right, rect.right);
    EXPECT_EQ(work.bottom, rect.bottom - DeviceMenuBarHeight());
}

TEST(DeviceScreenTest, AttachedThreadPlacesDefaultTopLevelWindowsInWorkArea) {
    ScopedEnvironment screen(L"BREVITEX_SCREEN", L"360x520");
    ASSERT_TRUE(DeviceAttachThread());
    RecordingWindow placed(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
    RecordingWindow explicitly(WS_OVERLAPPEDWINDOW, 300, 200, 150, 100);
    RecordingWindow child(WS_CHILD, 5, 6, 70, 80, placed.Handle());
    RecordingWindow popup(WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
    DeviceDetachThread();
    RecordingWindow afterDetach(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);

    RECT work = DeviceWorkArea();
    RECT rect{};
    GetWindowRect(placed.Handle(), &rect);
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, work.top);
    EXPECT_EQ(rect.right, work.right);
    EXPECT_EQ(rect.bottom, work.bottom);

    GetWindowRect(explicitly.Handle(), &rect);
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(rect.top, 200);
    EXPECT_EQ(SizeOf(rect).cx, 150);

    GetWindowRect(child.Handle(), &rect);
    EXPECT_EQ(SizeOf(rect).cx, 70);
    EXPECT_EQ(SizeOf(rect).cy, 80);

    GetWindowRect(popup.Handle(), &rect);
    EXPECT_NE(SizeOf(rect).cx, SizeOf(work).cx);

    GetWindowRect(afterDetach.Handle(), &rect);
    EXPECT_FALSE(SizeOf(rect).cx == SizeOf(work).cx && SizeOf(rect).cy == SizeOf(work).cy);
}

TEST(DeviceScreenTest, AttachNestsAndDetachIsBalanced) {
    ASSERT_TRUE(DeviceAttachThread());
    ASSERT_TRUE(DeviceAttachThread());
    DeviceDetachThread();
    RecordingWindow stillPlaced(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
    DeviceDetachThread();
    DeviceDetachThread();  // one too many does nothing
    RECT rect{};
    GetWindowRect(stillPlaced.Handle(), &rect);
    RECT work = DeviceWorkArea();
    EXPECT_EQ(rect.top, work.top);
    EXPECT_EQ(rect.bottom, work.bottom);
}

namespace {
RECT g_rectAtCreate{};
LRESULT CALLBACK RememberRectAtCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) GetWindowRect(hwnd, &g_rectAtCreate);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

TEST(DeviceScreenTest, WindowIsOnTheDeviceAlreadyWhenItHandlesCreate) {
    // A frame lays itself out against its menu bar while handling WM_CREATE.
    WNDCLASSW wc{};
    wc.lpfnWndProc = RememberRectAtCreate;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DeviceScreenTestCreate";
    RegisterClassW(&wc);
    ASSERT_TRUE(DeviceAttachThread());
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, wc.hInstance, nullptr);
    DeviceDetachThread();
    ASSERT_NE(window, nullptr);
    RECT work = DeviceWorkArea();
    EXPECT_TRUE(EqualRect(&g_rectAtCreate, &work));
    DestroyWindow(window);
}
