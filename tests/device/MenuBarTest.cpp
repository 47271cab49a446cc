// The soft-key bar: placement, its menu, soft keys opening popups owned by the
// parent, plain command keys, and key overrides delivered as WM_HOTKEY.
#include <gtest/gtest.h>

#include "DeviceTestResources.h"
#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::PostKey;
using devicetest::RecordingWindow;
using testsupport::PumpUntil;

namespace {

HWND CreateBar(HWND parent, UINT id, DWORD flags) {
    MenuBarInfo info{};
    info.size = sizeof(info);
    info.parent = parent;
    info.flags = flags;
    info.resourceId = id;
    info.instance = GetModuleHandleW(nullptr);
    if (!DeviceCreateMenuBar(&info)) return nullptr;
    return info.menuBar;
}

std::wstring ItemText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

class MenuBarTest : public testing::Test {
protected:
    MenuBarTest()
        : parent_(WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10, 300, 300),
          edit_(nullptr) {
        edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 200, 24,
                                parent_.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    }

    // Chooses the first item of the next popup that opens, with the keyboard, as a user would.
    void ChooseFirstItemWhenPopupOpens() {
        parent_.onMessage = [this](UINT message, WPARAM, LPARAM, LRESULT&) {
            if (message == WM_INITMENUPOPUP) {
                PostKey(parent_.Handle(), VK_DOWN, true);
                PostKey(parent_.Handle(), VK_RETURN, true);
            }
            return false;
        };
    }

    std::vector<UINT> CommandsReceived() const {
        std::vector<UINT> ids;
        // Menu and soft-key commands, not the edit box's notifications.
        for (const auto& record : parent_.Of(WM_COMMAND)) {
            if (record.lParam == 0) ids.push_back(LOWORD(record.wParam));
        }
        return ids;
    }

    RecordingWindow parent_;
    HWND edit_;
};

}  // namespace

TEST_F(MenuBarTest, BarIsAnOwnedPopupAlongTheBottomOfTheDeviceScreen) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetWindow(bar, GW_OWNER), parent_.Handle());
    EXPECT_FALSE(GetWindowLongW(bar, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(bar));
    RECT rect{};
    GetWindowRect(bar, &rect);
    RECT screen = DeviceScreenRect();
    EXPECT_EQ(rect.left, screen.left);
    EXPECT_EQ(rect.right, screen.right);
    EXPECT_EQ(rect.bottom, screen.bottom);
    EXPECT_EQ(rect.top, DeviceWorkArea().bottom);

    ShowWindow(parent_.Handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(bar));
    ShowWindow(parent_.Handle(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(IsWindowVisible(bar));

    DestroyWindow(parent_.Handle());
    EXPECT_FALSE(IsWindow(bar));
}

TEST_F(MenuBarTest, GetMenuGivesTheSoftKeyMenu) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_TRUE(IsMenu(menu));
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(ItemText(menu, 0), L"编辑");
    EXPECT_EQ(ItemText(menu, 1), L"菜单");
    // The caller may change the menu; the soft keys follow it.
    EXPECT_TRUE(DeleteMenu(menu, IDM_TEST_EXIT, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 1)), 1);
}

TEST_F(MenuBarTest, F1OpensLeftPopupOwnedByParent) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    ChooseFirstItemWhenPopupOpens();
    SetFocus(edit_);
    PostKey(edit_, VK_F1, true);
    PostKey(edit_, VK_F1, false);
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 5000));
    EXPECT_EQ(parent_.Count(WM_INITMENUPOPUP), 1);
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_UNDO});
}

TEST_F(MenuBarTest, F2AndTappingTheRightKeyOpenTheRightPopup) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    ChooseFirstItemWhenPopupOpens();
    PostKey(parent_.Handle(), VK_F2, true);
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 5000));
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_NEW});

    parent_.Clear();
    RECT client{};
    GetClientRect(bar, &client);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right * 3 / 4, client.bottom / 2));
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 5000));
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_NEW});
    // The popup that opened was the right key's.
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_EQ(parent_.Count(WM_INITMENUPOPUP), 1);
    EXPECT_EQ(reinterpret_cast<HMENU>(parent_.Of(WM_INITMENUPOPUP)[0].wParam), GetSubMenu(menu, 1));
}

TEST_F(MenuBarTest, SoftKeysOfAnotherWindowAreNotPressed) {
    RecordingWindow other(WS_POPUP | WS_BORDER | WS_VISIBLE, 20, 20, 200, 200);
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    ChooseFirstItemWhenPopupOpens();
    PostKey(other.Handle(), VK_F1, true);
    PumpUntil([&] { return other.Count(WM_KEYDOWN) > 0; }, 2000);
    testsupport::PumpPending();
    EXPECT_EQ(other.Count(WM_KEYDOWN), 1);
    EXPECT_EQ(parent_.Count(WM_INITMENUPOPUP), 0);
}

TEST_F(MenuBarTest, DisabledParentTakesNoSoftKeyPresses) {
    // While a modal dialog is up, its owner's bar must not open the owner's menus.
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_BAR_MENU, 0);
    ASSERT_NE(bar, nullptr);
    EnableWindow(parent_.Handle(), FALSE);
    RECT client{};
    GetClientRect(bar, &client);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 4, client.bottom / 2));
    PumpUntil([&] { return !CommandsReceived().empty(); }, 300);
    EXPECT_TRUE(CommandsReceived().empty());
    EnableWindow(parent_.Handle(), TRUE);
    PostMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 4, client.bottom / 2));
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 3000));
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_DONE});
}

TEST_F(MenuBarTest, MenuBarResourceMixesCommandAndPopupKeys) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_BAR_MENU, 0);
    ASSERT_NE(bar, nullptr);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(ItemText(menu, 0), L"完成");
    EXPECT_EQ(ItemText(menu, 1), L"选项");
    EXPECT_EQ(GetSubMenu(menu, 0), nullptr);
    ASSERT_NE(GetSubMenu(menu, 1), nullptr);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), 0), static_cast<UINT>(IDM_TEST_FIRST));

    // The plain command key sends its command without a popup.
    PostKey(parent_.Handle(), VK_F1, true);
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 5000));
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_DONE});
    EXPECT_EQ(parent_.Count(WM_INITMENUPOPUP), 0);

    parent_.Clear();
    ChooseFirstItemWhenPopupOpens();
    PostKey(parent_.Handle(), VK_F2, true);
    ASSERT_TRUE(PumpUntil([&] { return !CommandsReceived().empty(); }, 5000));
    EXPECT_EQ(CommandsReceived(), std::vector<UINT>{IDM_TEST_FIRST});
}

TEST_F(MenuBarTest, ProgramOkCancelBarHasTwoCommandKeys) {
    HWND bar = CreateBar(parent_.Handle(), 59139, 0);
    ASSERT_NE(bar, nullptr);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(ItemText(menu, 0), L"确定");
    EXPECT_EQ(ItemText(menu, 1), L"取消");
    EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(IDOK));
    EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(IDCANCEL));
}

TEST_F(MenuBarTest, MissingOrShortResourcesCreateNoBar) {
    EXPECT_EQ(CreateBar(parent_.Handle(), 4321, kMenuBarIdIsMenu), nullptr);
    EXPECT_EQ(CreateBar(parent_.Handle(), 4321, 0), nullptr);
    EXPECT_EQ(CreateBar(parent_.Handle(), IDR_TEST_BAD_BAR, 0), nullptr);
    EXPECT_EQ(CreateBar(nullptr, IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu), nullptr);
    EXPECT_FALSE(DeviceCreateMenuBar(nullptr));
}

TEST_F(MenuBarTest, OverriddenKeyArrivesAsHotKeyOnPressAndRelease) {
    HWND bar = CreateBar(parent_.Handle(), IDR_TEST_SOFTKEYS, kMenuBarIdIsMenu);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(SendMessageW(bar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents));
    EXPECT_TRUE(SendMessageW(bar, kMenuBarOverrideKey, kVolumeUpKey, kOverrideKeyAllEvents));
    PostKey(edit_, kBackKey, true);
    PostKey(edit_, kBackKey, false);
    PostKey(edit_, kVolumeUpKey, true);
    PostKey(edit_, kVolumeUpKey, false);
    ASSERT_TRUE(PumpUntil([&] { return parent_.Count(WM_HOTKEY) == 4; }, 5000));
    auto hotKeys = parent_.Of(WM_HOTKEY);
    EXPECT_EQ(hotKeys[0].lParam, MAKELPARAM(0, kBackKey));
    EXPECT_EQ(hotKeys[1].lParam, MAKELPARAM(kHotKeyReleased, kBackKey));
    EXPECT_EQ(hotKeys[2].lParam, MAKELPARAM(0, kVolumeUpKey));
    EXPECT_EQ(hotKeys[3].lParam, MAKELPARAM(kHotKeyReleased, kVolumeUpKey));
    // Keys not overridden still reach the focused control.
    PostKey(edit_, 'A', true);
    PostKey(edit_, 'A', false);
    testsupport::PumpPending();
    EXPECT_EQ(parent_.Count(WM_HOTKEY), 4);
}

TEST_F(MenuBarTest, OverriddenEscapeNoLongerCancelsADialog) {
    // A modeless dialog with an edit box: Escape would send IDCANCEL.
    struct Seen {
        int cancels = 0;
        int hotKeys = 0;
    } seen;
    DLGPROC proc = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        auto* counts = reinterpret_cast<Seen*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        if (counts && message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ++counts->cancels;
        if (counts && message == WM_HOTKEY) ++counts->hotKeys;
        return FALSE;
    };
    HWND dialog = DeviceCreateDialogParam(nullptr, MAKEINTRESOURCEW(114), parent_.Handle(), proc,
                                          reinterpret_cast<LPARAM>(&seen));
    ASSERT_NE(dialog, nullptr);
    HWND edit = GetNextDlgTabItem(dialog, nullptr, FALSE);
    ASSERT_NE(edit, nullptr);
    auto pumpDialog = [&](int ms) {
        DWORD start = GetTickCount();
        MSG message;
        while (GetTickCount() - start < static_cast<DWORD>(ms)) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageW(dialog, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
            Sleep(5);
        }
    };

    PostKey(edit, VK_ESCAPE, true);
    pumpDialog(200);
    EXPECT_EQ(seen.cancels, 1);  // the default action, before any override

    HWND bar = CreateBar(dialog, 59139, 0);
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents);
    PostKey(edit, VK_ESCAPE, true);
    PostKey(edit, VK_ESCAPE, false);
    pumpDialog(200);
    EXPECT_EQ(seen.cancels, 1);
    EXPECT_EQ(seen.hotKeys, 2);

    // Taking the override back restores the default action.
    SendMessageW(bar, kMenuBarOverrideKey, kBackKey, 0x00030000);
    PostKey(edit, VK_ESCAPE, true);
    pumpDialog(200);
    EXPECT_EQ(seen.cancels, 2);
    EXPECT_EQ(seen.hotKeys, 2);
    DestroyWindow(dialog);
}
