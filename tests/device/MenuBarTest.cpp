// The soft-key bar: placement, soft keys opening popups owned by the parent,
// command keys, menu-bar resources and key overrides delivered as WM_HOTKEY.
#include <gtest/gtest.h>

#include <functional>

#include "DeviceTestResources.h"
#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::PostKey;
using devicetest::RecordingWindow;
using testsupport::PumpUntil;

namespace {

class MenuBarTest : public testing::Test {
protected:
    MenuBarTest() : parent_(WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10, 300, 300) {
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 5, 5, 200, 24, parent_.Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        // Whenever a popup opens, its first item is chosen with the keyboard.
        parent_.onMessage = [this](UINT message, WPARAM, LPARAM, LRESULT&) {
            if (message == WM_INITMENUPOPUP) {
                PostKey(parent_.Handle(), VK_DOWN, true);
                PostKey(parent_.Handle(), VK_RETURN, true);
            }
            return false;
        };
    }

    HWND CreateBar(UINT id, DWORD flags, HWND parent = nullptr) {
        MenuBarInfo info{sizeof(MenuBarInfo), parent ? parent : parent_.Handle(), flags, id,
                         GetModuleHandleW(nullptr), 0, 0, nullptr, 0};
        return DeviceCreateMenuBar(&info) ? info.menuBar : nullptr;
    }

    // Ids of the menu and soft-key commands (control notifications carry their window).
    std::vector<UINT> Commands() const {
        std::vector<UINT> ids;
        for (const MSG& record : parent_.Of(WM_COMMAND)) {
            if (record.lParam == 0) ids.push_back(LOWORD(record.wParam));
        }
        return ids;
    }
    bool WaitForCommand() { return PumpUntil([&] { return !Commands().empty(); }, 3000); }

    void Tap(HWND bar, int key) {
        RECT client{};
        GetClientRect(bar, &client);
        PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right * (1 + 2 * key) / 4, client.bottom / 2));
    }

    RecordingWindow parent_;
    HWND edit_;
};

}  // namespace

TEST_F(MenuBarTest, BarIsAnOwnedPopupAlongTheBottomOfTheDeviceScreen) {
    HWND bar = CreateBar(IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetWindow(bar, GW_OWNER), parent_.Handle());
    EXPECT_FALSE(GetWindowLongW(bar, GWL_STYLE) & WS_CHILD);
    RECT rect{};
    GetWindowRect(bar, &rect);
    RECT screen = DeviceScreenRect();
    EXPECT_EQ(rect.left, screen.left);
    EXPECT_EQ(rect.right, screen.right);
    EXPECT_EQ(rect.bottom, screen.bottom);
    EXPECT_EQ(rect.top, DeviceWorkArea().bottom);

    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(testsupport::MenuItemText(menu, 0), L"编辑");
    EXPECT_EQ(testsupport::MenuItemText(menu, 1), L"菜单");

    EXPECT_TRUE(IsWindowVisible(bar));
    ShowWindow(parent_.Handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(bar));
    ShowWindow(parent_.Handle(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(IsWindowVisible(bar));
    DestroyWindow(parent_.Handle());
    EXPECT_FALSE(IsWindow(bar));
}

TEST_F(MenuBarTest, SoftKeysOpenTheirPopupsForTheParent) {
    HWND bar = CreateBar(IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    PostKey(edit_, VK_F1, true);
    PostKey(edit_, VK_F1, false);
    ASSERT_TRUE(WaitForCommand());
    EXPECT_EQ(Commands(), std::vector<UINT>{IDM_TEST_UNDO});
    ASSERT_EQ(parent_.Count(WM_INITMENUPOPUP), 1);
    EXPECT_EQ(reinterpret_cast<HMENU>(parent_.Of(WM_INITMENUPOPUP)[0].wParam), GetSubMenu(menu, 0));

    parent_.Clear();
    Tap(bar, 1);
    ASSERT_TRUE(WaitForCommand());
    EXPECT_EQ(Commands(), std::vector<UINT>{IDM_TEST_NEW});

    // F1 in another window does not press this bar's keys.
    RecordingWindow other(WS_POPUP, 0, 0, 50, 50);
    parent_.Clear();
    PostKey(other.Handle(), VK_F1, true);
    EXPECT_TRUE(PumpUntil([&] { return other.Count(WM_KEYDOWN) == 1; }, 1000));
    EXPECT_EQ(parent_.Count(WM_INITMENUPOPUP), 0);
}

TEST_F(MenuBarTest, MenuBarResourceGivesCommandAndPopupKeys) {
    HWND bar = CreateBar(IDR_TEST_BAR_MENU, 0);
    ASSERT_NE(bar, nullptr);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(testsupport::MenuItemText(menu, 0), L"完成");
    EXPECT_EQ(testsupport::MenuItemText(menu, 1), L"选项");

    PostKey(parent_.Handle(), VK_F1, true);
    ASSERT_TRUE(WaitForCommand());
    EXPECT_EQ(Commands(), std::vector<UINT>{IDM_TEST_DONE});
    EXPECT_EQ(parent_.Count(WM_INITMENUPOPUP), 0);
    parent_.Clear();
    PostKey(parent_.Handle(), VK_F2, true);
    ASSERT_TRUE(WaitForCommand());
    EXPECT_EQ(Commands(), std::vector<UINT>{IDM_TEST_FIRST});

    // Missing resources and one shorter than its button count make no bar.
    EXPECT_EQ(CreateBar(4321, kMenuBarIdIsMenu), nullptr);
    EXPECT_EQ(CreateBar(4321, 0), nullptr);
    EXPECT_EQ(CreateBar(IDR_TEST_BAD_BAR, 0), nullptr);
}

TEST_F(MenuBarTest, DisabledParentTakesNoSoftKeyPresses) {
    // While a modal dialog is up, its owner's bar must not run the owner's commands.
    HWND bar = CreateBar(IDR_TEST_BAR_MENU, 0);
    ASSERT_NE(bar, nullptr);
    EnableWindow(parent_.Handle(), FALSE);
    Tap(bar, 0);
    PumpUntil([&] { return !Commands().empty(); }, 300);
    EXPECT_TRUE(Commands().empty());
    EnableWindow(parent_.Handle(), TRUE);
    Tap(bar, 0);
    ASSERT_TRUE(WaitForCommand());
}

TEST_F(MenuBarTest, OverriddenKeysArriveAsHotKeysAndLoseTheirDefaultAction) {
    struct Seen {
        int cancels = 0;
        std::vector<LPARAM> hotKeys;
    } seen;
    DLGPROC proc = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) CALLBACK -> INT_PTR {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* log = reinterpret_cast<Seen*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (log && message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ++log->cancels;
        if (log && message == WM_HOTKEY) log->hotKeys.push_back(lParam);
        return message == WM_INITDIALOG;
    };
    HWND dialog = DeviceCreateDialogParam(nullptr, MAKEINTRESOURCEW(114), parent_.Handle(), proc,
                                          reinterpret_cast<LPARAM>(&seen));
    ASSERT_NE(dialog, nullptr);
    HWND edit = GetNextDlgTabItem(dialog, nullptr, FALSE);
    // Runs the dialog's messages until the condition holds (bounded).
    auto pumpUntil = [&](const std::function<bool()>& done) {
        for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < 5000;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageW(dialog, &message)) DispatchMessageW(&message);
            }
            if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    };
    PostKey(edit, VK_ESCAPE, true);
    pumpUntil([&] { return seen.cancels == 1; });
    EXPECT_EQ(seen.cancels, 1);  // Escape cancels the dialog until it is overridden

    HWND bar = CreateBar(59139, 0, dialog);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(SendMessageW(bar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents));
    SendMessageW(bar, kMenuBarOverrideKey, kVolumeUpKey, kOverrideKeyAllEvents);
    PostKey(edit, VK_ESCAPE, true);
    PostKey(edit, VK_ESCAPE, false);
    PostKey(edit, kVolumeUpKey, true);
    PostKey(edit, kVolumeUpKey, false);
    // The keys arrive in order: once the last one is in, Escape has been handled.
    pumpUntil([&] { return seen.hotKeys.size() == 4; });
    EXPECT_EQ(seen.cancels, 1);
    EXPECT_EQ(seen.hotKeys, (std::vector<LPARAM>{MAKELPARAM(0, kBackKey), MAKELPARAM(kHotKeyReleased, kBackKey),
                                                 MAKELPARAM(0, kVolumeUpKey),
                                                 MAKELPARAM(kHotKeyReleased, kVolumeUpKey)}));

    // Taking the override back gives the key its default action again.
    SendMessageW(bar, kMenuBarOverrideKey, kBackKey, 0x00030000);
    PostKey(edit, VK_ESCAPE, true);
    pumpUntil([&] { return seen.cancels == 2; });
    EXPECT_EQ(seen.cancels, 2);
    EXPECT_EQ(seen.hotKeys.size(), 4u);
    DestroyWindow(dialog);
}
