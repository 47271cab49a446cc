// Back-key forwarding: the focused edit box loses the character before the
// caret, once per press, whether the key comes straight or through the menu bar.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::PostKey;
using devicetest::RecordingWindow;
using devicetest::TextOf;
using testsupport::PumpUntil;

namespace {

void PressBack() {
    DeviceSendBackToFocusWindow(WM_HOTKEY, kBackKey, MAKELPARAM(0, kBackKey));
    DeviceSendBackToFocusWindow(WM_HOTKEY, kBackKey, MAKELPARAM(kHotKeyReleased, kBackKey));
}

class BackKeyTest : public testing::Test {
protected:
    BackKeyTest() : frame_(WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 300, 200) {}

    HWND MakeEdit(const wchar_t* className, const wchar_t* text) {
        HWND edit = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 250, 30,
                                    frame_.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        if (edit) {
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, 2, 2);
        }
        return edit;
    }

    RecordingWindow frame_;
};

}  // namespace

TEST_F(BackKeyTest, EditBoxDeletesTheCharacterBeforeTheCaret) {
    HWND edit = MakeEdit(L"EDIT", L"abcd");
    ASSERT_NE(edit, nullptr);
    ASSERT_EQ(GetFocus(), edit);
    PressBack();
    EXPECT_EQ(TextOf(edit), L"acd");
    PressBack();
    EXPECT_EQ(TextOf(edit), L"cd");
    PressBack();  // at the start nothing is left to delete
    EXPECT_EQ(TextOf(edit), L"cd");
}

TEST_F(BackKeyTest, RichEditDeletesExactlyOneCharacter) {
    HMODULE library = LoadLibraryW(L"riched20.dll");
    ASSERT_NE(library, nullptr);
    HWND edit = MakeEdit(L"RichEdit20W", L"abcd");
    ASSERT_NE(edit, nullptr);
    PressBack();
    EXPECT_EQ(TextOf(edit), L"acd");
    DestroyWindow(edit);
}

TEST_F(BackKeyTest, OnlyTheBackKeyOfAHotKeyIsForwarded) {
    HWND edit = MakeEdit(L"EDIT", L"abcd");
    ASSERT_NE(edit, nullptr);
    DeviceSendBackToFocusWindow(WM_HOTKEY, kVolumeUpKey, MAKELPARAM(0, kVolumeUpKey));
    DeviceSendBackToFocusWindow(WM_KEYDOWN, kBackKey, MAKELPARAM(0, kBackKey));
    EXPECT_EQ(TextOf(edit), L"abcd");
    // The release alone deletes nothing: the press did the work.
    DeviceSendBackToFocusWindow(WM_HOTKEY, kBackKey, MAKELPARAM(kHotKeyReleased, kBackKey));
    EXPECT_EQ(TextOf(edit), L"abcd");
}

TEST_F(BackKeyTest, EscapeThroughTheMenuBarBecomesBackspace) {
    HWND edit = MakeEdit(L"EDIT", L"abcd");
    ASSERT_NE(edit, nullptr);
    MenuBarInfo info{sizeof(MenuBarInfo), frame_.Handle(), 0, 59139, GetModuleHandleW(nullptr), 0, 0, nullptr, 0};
    ASSERT_TRUE(DeviceCreateMenuBar(&info));
    SendMessageW(info.menuBar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents);
    frame_.onMessage = [](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        if (message != WM_HOTKEY) return false;
        DeviceSendBackToFocusWindow(message, wParam, lParam);
        result = 1;
        return true;
    };
    PostKey(edit, VK_ESCAPE, true);
    PostKey(edit, VK_ESCAPE, false);
    ASSERT_TRUE(PumpUntil([&] { return frame_.Count(WM_HOTKEY) == 2; }, 3000));
    EXPECT_EQ(TextOf(edit), L"acd");
}
