// The Back key in Smartphone dialogs: it deletes in an edit field and closes
// the dialog on release elsewhere; other keys are not handled.
#include <gtest/gtest.h>

#include "DialogTestHelpers.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/FindReplaceDialog.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace dialogtests;

TEST(BackKeyTest, OnAButtonBackClosesOnRelease) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    bool openAfterPress = false;
    bool handledOtherKey = true;
    ModalDriver driver([&](HWND window) {
        SetFocus(GetDlgItem(window, IDC_FIND_NEXT));
        handledOtherKey = BackKeyInDialog(window, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_F6));
        SendMessageW(window, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        openAfterPress = IsWindowVisible(window) != FALSE;
        SendMessageW(window, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDCANCEL);
    EXPECT_TRUE(driver.Acted());
    EXPECT_TRUE(openAfterPress);
    EXPECT_FALSE(handledOtherKey);
    EXPECT_EQ(host.Text(), L"text");
}

TEST(BackKeyTest, InTheFindFieldTheBackKeyDeletesACharacter) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    bool deleted = false;
    bool open = false;
    ModalDriver driver([&](HWND window) {
        HWND combo = GetDlgItem(window, IDC_FIND_TEXT);
        SetWindowTextW(combo, L"abc");
        HWND field = GetWindow(combo, GW_CHILD);
        SetFocus(field);
        SendMessageW(field, EM_SETSEL, 3, 3);
        // The key as the keyboard delivers it: the menu bar hands it over as WM_HOTKEY.
        PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(field, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        deleted = testsupport::PumpUntil([&] { return WindowText(combo) == L"ab"; }, 2000);
        open = IsWindowVisible(window) != FALSE;
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDCANCEL);
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(open);
}
