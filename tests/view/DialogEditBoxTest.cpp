// The dialog edit box (context menu, commands, input panel) and the caret and
// line queries on both a plain edit box and the view's rich edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewTestSupport.h"
#include "device/DeviceShell.h"
#include "document/DialogEditBox.h"
#include "document/EditCommands.h"
#include "document/EditQueries.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using brevitex::DialogEditBox;
using brevitex::WideString;

namespace {

class DialogEditBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 200, 24,
                               parent.Handle(), reinterpret_cast<HMENU>(1004), GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(edit, nullptr);
        ASSERT_TRUE(box.Subclass(edit));
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(edit, message, wParam, lParam); }
    UINT State(HMENU popup, UINT id) { return GetMenuState(popup, id, MF_BYCOMMAND); }

    viewtest::ParentWindow parent;
    HWND edit = nullptr;
    DialogEditBox box;
};

// Records the items of every popup a window of this thread is about to show,
// then ends the menu.
class PopupRecorder {
public:
    PopupRecorder() {
        instance_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
        SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
            KillTimer(nullptr, id);
            EndMenu();
        });
    }
    ~PopupRecorder() {
        UnhookWindowsHookEx(hook_);
        instance_ = nullptr;
    }
    std::vector<std::vector<UINT>> items;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code >= 0 && instance_ && message->message == WM_INITMENUPOPUP) {
            instance_->items.push_back(viewtest::MenuIds(reinterpret_cast<HMENU>(message->wParam)));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline PopupRecorder* instance_ = nullptr;
    HHOOK hook_ = nullptr;
};

std::wstring Text(const WideString& text) { return std::wstring(text.c_str(), text.Length()); }

}  // namespace

TEST_F(DialogEditBoxTest, TheContextMenuHasNoRedoAndGraysWhatCannotRun) {
    PopupRecorder recorder;
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), MAKELPARAM(30, 30));
    ASSERT_EQ(recorder.items.size(), 1u);
    std::vector<UINT> expected{ID_EDIT_UNDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0,
                               ID_EDIT_SELECT_ALL};
    EXPECT_EQ(recorder.items[0], expected);

    HMENU menu = box.LoadContextMenu();
    HMENU popup = GetSubMenu(menu, 0);
    EXPECT_TRUE(State(popup, ID_EDIT_SELECT_ALL) & MF_GRAYED);
    EXPECT_TRUE(State(popup, ID_EDIT_COPY) & MF_GRAYED);
    DestroyMenu(menu);

    SetWindowTextW(edit, L"number 555");
    Send(EM_SETSEL, 7, 10);
    menu = box.LoadContextMenu();
    popup = GetSubMenu(menu, 0);
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_EDIT_SELECT_ALL}) {
        EXPECT_FALSE(State(popup, id) & MF_GRAYED) << id;
    }
    DestroyMenu(menu);

    Send(EM_SETREADONLY, TRUE);
    menu = box.LoadContextMenu();
    popup = GetSubMenu(menu, 0);
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_CLEAR, ID_EDIT_PASTE}) EXPECT_TRUE(State(popup, id) & MF_GRAYED) << id;
    EXPECT_FALSE(State(popup, ID_EDIT_COPY) & MF_GRAYED);
    DestroyMenu(menu);
}

TEST_F(DialogEditBoxTest, EditCommandsRunButRedoIsNotOneOfThem) {
    SetWindowTextW(edit, L"abc def");
    Send(WM_COMMAND, ID_EDIT_SELECT_ALL);
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 7u);
    Send(EM_SETSEL, 3, 7);
    Send(WM_COMMAND, ID_EDIT_CLEAR);
    WideString text;
    ASSERT_TRUE(brevitex::WindowTextString(edit, text));
    EXPECT_EQ(Text(text), L"abc");
    Send(WM_COMMAND, ID_EDIT_CLEAR_ALL);
    ASSERT_TRUE(brevitex::WindowTextString(edit, text));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(brevitex::RunEditCommand(edit, ID_EDIT_REDO, false));
}

TEST_F(DialogEditBoxTest, TheInputPanelFollowsTheFocusUnlessReadOnly) {
    HWND other = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE, 10, 50, 50, 20, parent.Handle(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    brevitex::SipInfo info{};
    SetFocus(edit);
    testsupport::PumpPending();
    ASSERT_TRUE(brevitex::DeviceSipGetInfo(&info));
    EXPECT_TRUE(info.shown);
    SetFocus(other);
    testsupport::PumpPending();
    ASSERT_TRUE(brevitex::DeviceSipGetInfo(&info));
    EXPECT_FALSE(info.shown);

    Send(EM_SETREADONLY, TRUE);
    SetFocus(edit);
    testsupport::PumpPending();
    ASSERT_TRUE(brevitex::DeviceSipGetInfo(&info));
    EXPECT_FALSE(info.shown);
    SetFocus(other);
}

TEST_F(DialogEditBoxTest, ATapAndHoldNeverReachesTheBox) {
    SetWindowTextW(edit, L"hold me");
    Send(EM_SETSEL, 2, 2);
    testsupport::PumpPending();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 5));
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_TRUE(viewtest::TakePosted(edit, WM_CONTEXTMENU));
    if (GetCapture() == edit) ReleaseCapture();
}

// The queries on the plain edit box and on the view's rich edit.
class EditQueriesTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            RECT rect{0, 0, 300, 200};
            edit = view.Create(parent.Handle(), rect, brevitex::kEditViewNoWrapStyle);
        } else {
            edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | WS_HSCROLL,
                                   0, 0, 300, 200, parent.Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
            SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
        }
        ASSERT_NE(edit, nullptr);
    }
    // Puts the text in with the line breaks each kind of control keeps.
    void Put(const std::wstring& lines) {
        std::wstring text;
        for (wchar_t unit : lines) {
            if (unit == L'\n') {
                text += GetParam() ? L"\r" : L"\r\n";
            } else {
                text += unit;
            }
        }
        SetWindowTextW(edit, text.c_str());
    }
    // Character index of a position given in lines and columns (0-based).
    int Index(int line, int column) { return static_cast<int>(SendMessageW(edit, EM_LINEINDEX, line, 0)) + column; }
    void Select(int from, int to) { SendMessageW(edit, EM_SETSEL, from, to); }

    viewtest::ParentWindow parent;
    brevitex::EditView view;
    HWND edit = nullptr;
};

TEST_P(EditQueriesTest, LinesCaretAndSelectedLineText) {
    Put(L"first line\nsecond line\nthird");
    WideString text;
    ASSERT_TRUE(brevitex::LineText(edit, 1, text));
    EXPECT_EQ(Text(text), L"second line");
    ASSERT_TRUE(brevitex::LineText(edit, 2, text));
    EXPECT_EQ(Text(text), L"third");
    ASSERT_TRUE(brevitex::LineText(edit, 7, text));
    EXPECT_TRUE(text.IsEmpty());

    int line = 0, column = 0;
    Select(Index(1, 2), Index(1, 2));
    ASSERT_TRUE(brevitex::CaretPosition(edit, line, column));
    EXPECT_EQ(line, 2);
    EXPECT_EQ(column, 3);
    // A selection made backwards still gives the column within the end's line.
    Select(Index(2, 4), Index(0, 1));
    ASSERT_TRUE(brevitex::CaretPosition(edit, line, column));
    EXPECT_EQ(line, 3);
    EXPECT_EQ(column, 5);

    Select(Index(0, 6), Index(1, 3));
    ASSERT_TRUE(brevitex::SelectedLineText(edit, text));
    EXPECT_EQ(Text(text), L"line");
    Select(Index(1, 0), Index(1, 6));
    ASSERT_TRUE(brevitex::SelectedLineText(edit, text));
    EXPECT_EQ(Text(text), L"second");
    Select(Index(1, 3), Index(1, 3));
    ASSERT_TRUE(brevitex::SelectedLineText(edit, text));
    EXPECT_TRUE(text.IsEmpty());
}

TEST_P(EditQueriesTest, ALineLongerThanSixteenBitsComesBackWhole) {
    std::wstring longLine(70000, L'x');
    longLine[69999] = L'!';
    Put(L"short\n" + longLine + L"\nlast");
    WideString text;
    ASSERT_TRUE(brevitex::LineText(edit, 1, text));
    ASSERT_EQ(text.Length(), 70000);
    EXPECT_EQ(text[69999], L'!');
}

INSTANTIATE_TEST_SUITE_P(PlainAndRich, EditQueriesTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "RichView" : "PlainEdit"; });

TEST(WindowTextStringTest, GivesTheWholeTextOrNothing) {
    viewtest::ParentWindow parent;
    WideString text;
    SetWindowTextW(parent.Handle(), L"标题 text");
    ASSERT_TRUE(brevitex::WindowTextString(parent.Handle(), text));
    EXPECT_EQ(Text(text), L"标题 text");
    SetWindowTextW(parent.Handle(), L"");
    ASSERT_TRUE(brevitex::WindowTextString(parent.Handle(), text));
    EXPECT_TRUE(text.IsEmpty());
}
