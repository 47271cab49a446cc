// Back-key forwarding: the focused edit box loses the character before the
// caret, once per press, whether the key comes straight or through the menu bar.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::WindowText;

namespace {

HWND FocusedEdit(HWND parent, const wchar_t* className) {
    HWND edit = CreateWindowExW(0, className, L"abcd", WS_CHILD | WS_VISIBLE, 5, 5, 250, 30, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 2, 2);
    return edit;
}

void Back(bool released) {
    DeviceSendBackToFocusWindow(WM_HOTKEY, kBackKey, MAKELPARAM(released ? kHotKeyReleased : 0, kBackKey));
}

}  // namespace

TEST(BackKeyTest, EditAndRichEditLoseOneCharacterPerPress) {
    RecordingWindow frame(WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    ASSERT_NE(LoadLibraryW(L"riched20.dll"), nullptr);
    for (const wchar_t* className : {L"EDIT", L"RichEdit20W"}) {
        HWND edit = FocusedEdit(frame.Handle(), className);
        ASSERT_EQ(GetFocus(), edit);
        Back(false);
        Back(true);
        EXPECT_EQ(WindowText(edit), L"acd") << testing::PrintToString(std::wstring(className));
        Back(true);  // a release alone deletes nothing
        DeviceSendBackToFocusWindow(WM_HOTKEY, kVolumeUpKey, MAKELPARAM(0, kVolumeUpKey));
        EXPECT_EQ(WindowText(edit), L"acd");
        DestroyWindow(edit);
    }
}

TEST(BackKeyTest, EscapeThroughTheMenuBarBecomesBackspace) {
    RecordingWindow frame(WS_POPUP | WS_VISIBLE, 0, 0, 300, 200);
    HWND edit = FocusedEdit(frame.Handle(), L"EDIT");
    MenuBarInfo info{sizeof(MenuBarInfo), frame.Handle(), 0, 59139, GetModuleHandleW(nullptr), 0, 0, nullptr, 0};
    ASSERT_TRUE(DeviceCreateMenuBar(&info));
    SendMessageW(info.menuBar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents);
    frame.onMessage = [](UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
        if (message == WM_HOTKEY) DeviceSendBackToFocusWindow(message, wParam, lParam);
        return false;
    };
    devicetest::PostKey(edit, VK_ESCAPE, true);
    devicetest::PostKey(edit, VK_ESCAPE, false);
    ASSERT_TRUE(testsupport::PumpUntil([&] { return frame.Count(WM_HOTKEY) == 2; }, 3000));
    EXPECT_EQ(WindowText(edit), L"acd");
}
