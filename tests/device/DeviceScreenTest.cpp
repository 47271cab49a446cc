// The device screen rectangle and the placement of new top-level windows on it.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::ScopedEnvironment;

namespace {

SIZE SizeOf(const RECT& rect) { return SIZE{rect.right - rect.left, rect.bottom - rect.top}; }

RECT g_rectAtCreate{};
LRESULT CALLBACK RememberRectAtCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) GetWindowRect(hwnd, &g_rectAtCreate);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

TEST(DeviceScreenTest, SizeComesFromEnvironmentAtTopLeftOfWorkArea) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    {
        ScopedEnvironment unset(L"BREVITEX_SCREEN", nullptr);
        RECT rect = DeviceScreenRect();
        EXPECT_EQ(rect.left, work.left);
        EXPECT_EQ(rect.top, work.top);
        EXPECT_EQ(SizeOf(rect).cx, 480);
        EXPECT_EQ(SizeOf(rect).cy, 640);
    }
    ScopedEnvironment landscape(L"BREVITEX_SCREEN", L"640x480");
    EXPECT_EQ(SizeOf(DeviceScreenRect()).cx, 640);
    EXPECT_EQ(SizeOf(DeviceScreenRect()).cy, 480);
    RECT area = DeviceWorkArea();
    EXPECT_EQ(area.bottom, DeviceScreenRect().bottom - DeviceMenuBarHeight());
    EXPECT_GT(DeviceMenuBarHeight(), 10);

    for (const wchar_t* text : {L"abc", L"640", L"640x", L"x480", L"-640x480", L"640 x 480", L"10x10",
                                L"99999999999x480", L"640x480junk"}) {
        ScopedEnvironment malformed(L"BREVITEX_SCREEN", text);
        EXPECT_EQ(SizeOf(DeviceScreenRect()).cx, 480) << testing::PrintToString(std::wstring(text));
        EXPECT_EQ(SizeOf(DeviceScreenRect()).cy, 640) << testing::PrintToString(std::wstring(text));
    }
}

TEST(DeviceScreenTest, AttachedThreadPutsDefaultOverlappedWindowsOnTheWorkArea) {
    ScopedEnvironment screen(L"BREVITEX_SCREEN", L"360x520");
    WNDCLASSW wc{};
    wc.lpfnWndProc = RememberRectAtCreate;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DeviceScreenTestCreate";
    RegisterClassW(&wc);
    ASSERT_TRUE(DeviceAttachThread());
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"", WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, wc.hInstance, nullptr);
    RecordingWindow explicitly(WS_OVERLAPPEDWINDOW, 300, 200, 150, 100);
    RecordingWindow popup(WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
    DeviceDetachThread();
    DeviceDetachThread();  // unbalanced: does nothing
    RecordingWindow afterDetach(WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);

    RECT work = DeviceWorkArea();
    RECT rect{};
    GetWindowRect(frame, &rect);
    EXPECT_TRUE(EqualRect(&rect, &work));
    // Already there while it handles WM_CREATE, where a frame lays itself out.
    EXPECT_TRUE(EqualRect(&g_rectAtCreate, &work));
    GetWindowRect(explicitly.Handle(), &rect);
    EXPECT_EQ(rect.left, 300);
    EXPECT_EQ(SizeOf(rect).cx, 150);
    GetWindowRect(popup.Handle(), &rect);
    EXPECT_NE(SizeOf(rect).cx, SizeOf(work).cx);
    GetWindowRect(afterDetach.Handle(), &rect);
    EXPECT_NE(SizeOf(rect).cx, SizeOf(work).cx);
    DestroyWindow(frame);
}

namespace {

RECT g_shownRect{};

// Records the rectangle of this thread's first visible window of a class,
// then closes it (a menu by EndMenu, a box by its OK).
bool g_boxShowsAll = false;

void CALLBACK RecordAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
    struct Find {
        const wchar_t* className;
        HWND found;
    } find{timer == 1 ? L"#32770" : L"#32768", nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto* search = reinterpret_cast<Find*>(context);
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (IsWindowVisible(window) && wcscmp(name, search->className) == 0) search->found = window;
            return search->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&find));
    if (!find.found) return;
    GetWindowRect(find.found, &g_shownRect);
    if (timer == 1) {
        // Whether the box shows all of its text and its button within itself.
        HWND text = GetDlgItem(find.found, 0xFFFF);
        HWND button = GetDlgItem(find.found, IDOK);
        RECT textRect{}, buttonRect{}, client{};
        GetClientRect(text, &textRect);
        GetWindowRect(button, &buttonRect);
        MapWindowPoints(nullptr, find.found, reinterpret_cast<POINT*>(&buttonRect), 2);
        GetClientRect(find.found, &client);
        wchar_t content[1024] = {};
        GetWindowTextW(text, content, 1024);
        HDC dc = GetDC(text);
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
        RECT needed{0, 0, textRect.right, 0};
        DrawTextW(dc, content, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        ReleaseDC(text, dc);
        RECT textInBox{};
        GetWindowRect(text, &textInBox);
        MapWindowPoints(nullptr, find.found, reinterpret_cast<POINT*>(&textInBox), 2);
        g_boxShowsAll = needed.bottom <= textRect.bottom && needed.right <= textRect.right &&
                        textInBox.left >= 0 && textInBox.right <= client.right && textInBox.bottom <= client.bottom &&
                        buttonRect.left >= 0 && buttonRect.right <= client.right && buttonRect.bottom <= client.bottom;
        PostMessageW(find.found, WM_COMMAND, IDOK, 0);
    } else {
        EndMenu();
    }
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

TEST(DeviceScreenTest, MessageBoxesAndMenusStayOnTheDeviceScreen) {
    ScopedEnvironment size(L"BREVITEX_SCREEN", L"480x640");
    const RECT screen = DeviceScreenRect();
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, screen.left, screen.top + 100, 480, 300,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    g_shownRect = RECT{};
    SetTimer(owner, 1, 200, RecordAndClose);
    DeviceMessageBox(owner, L"A box centred over its owner on the device screen.", L"Box", MB_OK);
    KillTimer(owner, 1);
    EXPECT_TRUE(Inside(g_shownRect, screen));
    const int centre = (g_shownRect.left + g_shownRect.right) / 2;
    EXPECT_NEAR(centre, screen.left + 240, 2);
    EXPECT_NEAR((g_shownRect.top + g_shownRect.bottom) / 2, screen.top + 250, 2);
    EXPECT_TRUE(g_boxShowsAll);
    {
        // A text the system would lay out wider than the screen wraps onto more
        // lines, also where the device has already cut the box to the screen.
        ASSERT_TRUE(DeviceAttachThread());
        ScopedEnvironment narrow(L"BREVITEX_SCREEN", L"240x320");
        g_shownRect = RECT{};
        g_boxShowsAll = false;
        SetTimer(owner, 1, 200, RecordAndClose);
        DeviceMessageBox(owner, L"这个文件包含无法在当前编码中表示的字符，保存时这些字符将被写成问号，是否继续保存？",
                         L"Box", MB_OK);
        KillTimer(owner, 1);
        EXPECT_LE(g_shownRect.right - g_shownRect.left, 240);
        EXPECT_TRUE(g_boxShowsAll) << "the text or the button is cut off";
    }

    // A menu opened at the screen's bottom right corner is kept on the screen
    // above the soft-key bar.
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 10, L"A rather long menu item text");
    g_shownRect = RECT{};
    SetTimer(owner, 2, 200, RecordAndClose);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, screen.right - 4, screen.bottom - 4, 0, owner, nullptr);
    KillTimer(owner, 2);
    DeviceDetachThread();
    DestroyMenu(menu);
    EXPECT_FALSE(IsRectEmpty(&g_shownRect));
    EXPECT_TRUE(Inside(g_shownRect, DeviceWorkArea())) << g_shownRect.left << "," << g_shownRect.top << " " << g_shownRect.right
                                             << "," << g_shownRect.bottom;
    DestroyWindow(owner);
}
