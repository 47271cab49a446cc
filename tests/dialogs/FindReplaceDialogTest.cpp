// The find/replace dialog in both forms: history, the find/replace row switch,
// Replace only on an occurrence, Replace All, and Smartphone's modal use.
#include <gtest/gtest.h>

#include "DialogTestHelpers.h"
#include "dialogs/FindReplaceDialog.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "shell/AppModule.h"
#include "shell/MessageLoop.h"

using namespace brevitex;
using namespace dialogtests;

namespace {

std::vector<std::wstring> History(HWND dialog, int comboId) {
    HWND combo = GetDlgItem(dialog, comboId);
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t item[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        items.push_back(item);
    }
    return items;
}

// A Pocket PC dialog opened on a host's edit control.
class ModelessFindTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(dialog_.OpenModeless(host_.Edit()), 1);
        window_ = dialog_.Handle();
        ASSERT_TRUE(window_);
    }
    void Find(const std::wstring& text) {
        TypeInCombo(window_, IDC_FIND_TEXT, text);
        Click(window_, IDC_FIND_NEXT);
    }
    void ReplaceWith(const std::wstring& find, const std::wstring& replacement) {
        TypeInCombo(window_, IDC_FIND_TEXT, find);
        SetWindowTextW(GetDlgItem(window_, IDC_REPLACE_TEXT), replacement.c_str());
    }

    PlatformScope pocketPc_{false};
    EditHost host_{L"one two one"};
    FindReplaceDialog dialog_;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(ModelessFindTest, OpensCompactInFindMode) {
    EXPECT_FALSE(dialog_.IsModal());
    EXPECT_FALSE(dialog_.IsReplaceMode());
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_EQ(TextOf(GetDlgItem(window_, IDC_REPLACE)), L"替换\u2193");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_, IDC_REPLACE_TEXT)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_, IDC_REPLACE_ALL)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_, IDC_REPLACE_LABEL)));
    RECT combo{};
    GetWindowRect(GetDlgItem(window_, IDC_REPLACE_TEXT), &combo);
    EXPECT_EQ(dialog_.RowShift(), combo.bottom - combo.top + 4);
    // The check-box row moved up by the row shift from its template place; the buttons stayed.
    RECT templateBox = {28, 39, 68, 53};
    MapDialogRect(window_, &templateBox);
    EXPECT_EQ(RectIn(window_, GetDlgItem(window_, IDC_MATCH_CASE)).top, templateBox.top - dialog_.RowShift());
    EXPECT_EQ(RectIn(window_, GetDlgItem(window_, IDC_MATCH_LABEL)).left, RectIn(window_, GetDlgItem(window_, IDC_FIND_LABEL)).left);
    RECT templateButton = {105, 22, 140, 36};
    MapDialogRect(window_, &templateButton);
    EXPECT_EQ(RectIn(window_, GetDlgItem(window_, IDC_REPLACE)).top, templateButton.top);
}

TEST_F(ModelessFindTest, ReplaceButtonExpandsAndTheNextShowingIsCompactAgain) {
    RECT compact{};
    GetWindowRect(window_, &compact);
    const RECT boxCompact = RectIn(window_, GetDlgItem(window_, IDC_WHOLE_WORD));

    Click(window_, IDC_REPLACE);
    EXPECT_TRUE(dialog_.IsReplaceMode());
    EXPECT_EQ(TextOf(GetDlgItem(window_, IDC_REPLACE)), L"替换");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_, IDC_REPLACE_TEXT)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_, IDC_REPLACE_ALL)));
    EXPECT_EQ(GetParent(GetFocus()), GetDlgItem(window_, IDC_REPLACE_TEXT));
    RECT expanded{};
    GetWindowRect(window_, &expanded);
    EXPECT_EQ(expanded.bottom - expanded.top, compact.bottom - compact.top + dialog_.RowShift());
    EXPECT_EQ(RectIn(window_, GetDlgItem(window_, IDC_WHOLE_WORD)).top, boxCompact.top + dialog_.RowShift());
    EXPECT_EQ(host_.Text(), L"one two one");  // the first press replaces nothing

    Click(window_, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(window_));
    EXPECT_TRUE(dialog_.IsReplaceMode());  // mode kept while hidden

    ASSERT_EQ(dialog_.OpenModeless(host_.Edit()), 1);
    EXPECT_EQ(dialog_.Handle(), window_);  // the same window shown again
    EXPECT_FALSE(dialog_.IsReplaceMode());
    EXPECT_EQ(TextOf(GetDlgItem(window_, IDC_REPLACE)), L"替换\u2193");
    RECT again{};
    GetWindowRect(window_, &again);
    EXPECT_EQ(again.bottom - again.top, compact.bottom - compact.top);
    EXPECT_EQ(RectIn(window_, GetDlgItem(window_, IDC_WHOLE_WORD)).top, boxCompact.top);
}

TEST_F(ModelessFindTest, HistoryIsNewestFirstAndHoldsEachTextOnce) {
    Find(L"Foo");
    Find(L"bar");
    Find(L"foo");
    EXPECT_EQ(History(window_, IDC_FIND_TEXT), (std::vector<std::wstring>{L"foo", L"bar"}));
    EXPECT_EQ(TextOf(GetDlgItem(window_, IDC_FIND_TEXT)), L"foo");
    Find(L"");
    EXPECT_EQ(History(window_, IDC_FIND_TEXT).size(), 2u);
}

TEST_F(ModelessFindTest, ButtonsFollowTheFindText) {
    TypeInCombo(window_, IDC_FIND_TEXT, L"");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, IDC_FIND_NEXT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDC_REPLACE)));  // still expands the dialog
    Click(window_, IDC_REPLACE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, IDC_REPLACE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, IDC_REPLACE_ALL)));
    TypeInCombo(window_, IDC_FIND_TEXT, L"x");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDC_FIND_NEXT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDC_REPLACE)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDC_REPLACE_ALL)));
}

TEST_F(ModelessFindTest, ReplaceLeavesANonOccurrenceAndSelectsTheNextOne) {
    Click(window_, IDC_REPLACE);
    ReplaceWith(L"one", L"1");
    host_.Select(4, 7);  // "two"
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two one");
    EXPECT_EQ(host_.SelStart(), 8);
    EXPECT_EQ(host_.SelEnd(), 11);

    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two 1");
    EXPECT_EQ(host_.SelStart(), 0);  // the next occurrence, found by wrapping
    EXPECT_EQ(host_.SelEnd(), 3);
    EXPECT_EQ(History(window_, IDC_REPLACE_TEXT), (std::vector<std::wstring>{L"1"}));

    // A selection of the right length elsewhere than at an occurrence is no occurrence either.
    host_.Select(3, 6);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two 1");
    EXPECT_EQ(host_.SelStart(), 0);
}

TEST_F(ModelessFindTest, ReplaceHonoursCaseAndWholeWord) {
    host_.SetText(L"ONE concat cat");
    Click(window_, IDC_REPLACE);
    ReplaceWith(L"one", L"1");
    CheckDlgButton(window_, IDC_MATCH_CASE, BST_CHECKED);
    host_.Select(0, 3);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"ONE concat cat");

    CheckDlgButton(window_, IDC_MATCH_CASE, BST_UNCHECKED);
    host_.Select(0, 3);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat cat");

    ReplaceWith(L"cat", L"dog");
    CheckDlgButton(window_, IDC_WHOLE_WORD, BST_CHECKED);
    host_.Select(7, 10);  // inside "concat"
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat cat");
    EXPECT_EQ(host_.SelStart(), 9);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat dog");
    EXPECT_TRUE(dialog_.WholeWord());
}

TEST_F(ModelessFindTest, ReplaceAllNeverSearchesInsertedText) {
    Click(window_, IDC_REPLACE);
    host_.SetText(L"aaa");
    ReplaceWith(L"a", L"aa");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"aaaaaa");
    EXPECT_EQ(host_.SelStart(), 6);  // the caret ends after the last replacement
    EXPECT_EQ(host_.SelEnd(), 6);
    EXPECT_EQ(host_.UndoSteps(), 3);  // each replacement is its own undoable edit
    EXPECT_EQ(host_.Text(), L"aaa");

    host_.SetText(L"aaaa");
    ReplaceWith(L"aa", L"b");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"bb");
    EXPECT_EQ(host_.SelStart(), 2);
    EXPECT_EQ(host_.UndoSteps(), 2);
    EXPECT_EQ(host_.Text(), L"aaaa");
}

TEST_F(ModelessFindTest, ReplaceAllAcrossLinesAndWithNothing) {
    Click(window_, IDC_REPLACE);
    host_.SetText(L"x1 x2\rx3\r\rx4");
    ReplaceWith(L"x", L"");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"1 2\r3\r\r4");

    // Nothing found: text and selection stay.
    host_.Select(1, 2);
    ReplaceWith(L"zz", L"y");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"1 2\r3\r\r4");
    EXPECT_EQ(host_.SelStart(), 1);
    EXPECT_EQ(host_.SelEnd(), 2);
}

TEST_F(ModelessFindTest, AReadOnlyControlIsNeverChanged) {
    Click(window_, IDC_REPLACE);
    host_.SetText(L"a-a-a");
    SendMessageW(host_.Edit(), EM_SETREADONLY, TRUE, 0);
    ReplaceWith(L"a", L"");
    Click(window_, IDC_REPLACE_ALL);  // must come back rather than find the same "a" forever
    EXPECT_EQ(host_.Text(), L"a-a-a");
    host_.Select(0, 1);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"a-a-a");
    EXPECT_EQ(host_.SelStart(), 2);  // the next occurrence is still found
}

TEST_F(ModelessFindTest, FindNextCommandSearchesThroughTheHiddenWindow) {
    Find(L"one");
    EXPECT_EQ(host_.SelStart(), 8);
    Click(window_, IDCANCEL);
    ASSERT_FALSE(IsWindowVisible(window_));
    dialog_.FindNextCommand(host_.Edit());
    EXPECT_EQ(host_.SelStart(), 0);
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(ModelessFindTest, KeysReachTheDialogThroughTheLoopFilter) {
    MessageLoop loop;
    ASSERT_TRUE(Module().RegisterLoop(&loop));
    FindReplaceDialog second;
    ASSERT_EQ(second.OpenModeless(host_.Edit()), 1);
    HWND window = second.Handle();
    TypeInCombo(window, IDC_FIND_TEXT, L"two");
    HWND field = GetWindow(GetDlgItem(window, IDC_FIND_TEXT), GW_CHILD);
    SetFocus(field);

    auto pumpThroughLoop = [&loop] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!loop.PreTranslate(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    };
    PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
    pumpThroughLoop();
    EXPECT_EQ(host_.SelStart(), 4);  // Enter pressed the default button, Find Next
    PostMessageW(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(field, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    pumpThroughLoop();
    EXPECT_FALSE(IsWindowVisible(window));  // Escape is the close command

    DestroyWindow(window);
    EXPECT_FALSE(loop.RemoveFilter(&second));  // the window took its filter with it
    Module().UnregisterLoop();
}

TEST(FindReplaceDialogTest, InitialStateAndSelectionAsFindText) {
    PlatformScope pocketPc(false);
    EditHost host(L"first line\rsecond line");
    FindReplaceDialog dialog;
    EXPECT_EQ(dialog.Flags(), 0x182u);
    host.Select(6, 16);  // "line\rsecon": only the part in the first line counts
    ASSERT_EQ(dialog.OpenModeless(host.Edit()), 1);
    EXPECT_EQ(TextOf(GetDlgItem(dialog.Handle(), IDC_FIND_TEXT)), L"line");
    EXPECT_EQ(std::wstring(dialog.FindText()), L"line");

    // An existing window keeps what its combo holds.
    host.Select(11, 17);
    ASSERT_EQ(dialog.OpenModeless(host.Edit()), 1);
    EXPECT_EQ(TextOf(GetDlgItem(dialog.Handle(), IDC_FIND_TEXT)), L"line");
}

TEST(FindReplaceDialogTest, DestroyingTheObjectDestroysItsWindow) {
    PlatformScope pocketPc(false);
    EditHost host(L"text");
    HWND window = nullptr;
    {
        FindReplaceDialog dialog;
        ASSERT_EQ(dialog.OpenModeless(host.Edit()), 1);
        window = dialog.Handle();
        ASSERT_TRUE(IsWindow(window));
    }
    EXPECT_FALSE(IsWindow(window));
}

// ---- Smartphone -------------------------------------------------------------

TEST(SmartphoneFindTest, FindNextEndsTheDialogAndTheCommandGoesOnWithoutIt) {
    PlatformScope smartphone(true);
    EditHost host(L"dog cat dog cat dog");
    FindReplaceDialog dialog;
    ModalDriver driver([](HWND window) {
        SetWindowTextW(GetDlgItem(window, IDC_FIND_TEXT), L"CAT");
        Click(window, IDC_FIND_NEXT);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), 1);
    EXPECT_TRUE(driver.Acted());
    EXPECT_EQ(host.SelStart(), 4);
    EXPECT_FALSE(dialog.Handle());
    EXPECT_EQ(std::wstring(dialog.FindText()), L"CAT");

    // "查找下一个" now searches with the remembered text, and opens no dialog.
    ModalDriver guard([](HWND window) { EndDialog(window, 77); });
    dialog.FindNextCommand(host.Edit());
    EXPECT_FALSE(guard.Acted());
    EXPECT_EQ(host.SelStart(), 12);
    dialog.FindNextCommand(host.Edit());
    EXPECT_EQ(host.SelStart(), 4);
}

TEST(SmartphoneFindTest, FindNextCommandWithoutTextOpensTheDialog) {
    PlatformScope smartphone(true);
    EditHost host(L"abc");
    FindReplaceDialog dialog;
    bool opened = false;
    ModalDriver driver([&opened](HWND window) {
        opened = true;
        Click(window, IDCANCEL);
    });
    dialog.FindNextCommand(host.Edit());
    EXPECT_TRUE(opened);
}

TEST(SmartphoneFindTest, FullScreenWithAllRowsAndTheWordBoxUnderTheCaseBox) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    RECT client{}, findNext{}, findCombo{}, caseBox{}, wordBox{};
    bool replaceShown = false;
    std::wstring caption;
    ModalDriver driver([&](HWND window) {
        GetClientRect(window, &client);
        findNext = RectIn(window, GetDlgItem(window, IDC_FIND_NEXT));
        findCombo = RectIn(window, GetDlgItem(window, IDC_FIND_TEXT));
        caseBox = RectIn(window, GetDlgItem(window, IDC_MATCH_CASE));
        wordBox = RectIn(window, GetDlgItem(window, IDC_WHOLE_WORD));
        replaceShown = IsWindowVisible(GetDlgItem(window, IDC_REPLACE_TEXT)) != FALSE;
        caption = TextOf(GetDlgItem(window, IDC_REPLACE));
        EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDCANCEL);
    ASSERT_TRUE(driver.Acted());
    EXPECT_TRUE(replaceShown);
    EXPECT_EQ(caption, L"替换");
    EXPECT_TRUE(dialog.IsReplaceMode());
    EXPECT_EQ(wordBox.left, caseBox.left);
    EXPECT_EQ(wordBox.top, caseBox.bottom + GetSystemMetrics(SM_CYEDGE));

    // The layout followed the full-screen size: buttons moved and combos widened by the growth.
    const DialogLayout& layout = dialog.Layout();
    ASSERT_EQ(layout.RowCount(), 5);
    const int dx = client.right - layout.InitialWidth();
    EXPECT_GT(dx, 0);
    EXPECT_EQ(findCombo.right, layout.RowAt(0).start.right + dx);
    EXPECT_EQ(findCombo.left, layout.RowAt(0).start.left);
    EXPECT_EQ(findNext.right, layout.RowAt(2).start.right + dx);
    EXPECT_EQ(findNext.right - findNext.left, layout.RowAt(2).start.right - layout.RowAt(2).start.left);
}

TEST(SmartphoneFindTest, GrowingBySixtyMovesTheButtonsAndWidensTheCombos) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    RECT moved[3]{}, widened[2]{};
    ModalDriver driver([&](HWND window) {
        const DialogLayout& layout = dialog.Layout();
        RECT frame{}, client{};
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        // Client size = the template's plus 60 pixels in width.
        SetWindowPos(window, nullptr, 0, 0, layout.InitialWidth() + 60 + (frame.right - frame.left - client.right),
                     layout.InitialHeight() + (frame.bottom - frame.top - client.bottom), SWP_NOMOVE | SWP_NOZORDER);
        const int buttons[] = {IDC_FIND_NEXT, IDC_REPLACE, IDC_REPLACE_ALL};
        for (int i = 0; i < 3; ++i) moved[i] = RectIn(window, GetDlgItem(window, buttons[i]));
        widened[0] = RectIn(window, GetDlgItem(window, IDC_FIND_TEXT));
        widened[1] = RectIn(window, GetDlgItem(window, IDC_REPLACE_TEXT));
        Click(window, IDCANCEL);
    });
    dialog.OpenModal(host.Edit());
    ASSERT_TRUE(driver.Acted());
    const DialogLayout& layout = dialog.Layout();
    for (int i = 0; i < 3; ++i) {
        const RECT& start = layout.RowAt(2 + i).start;
        EXPECT_EQ(moved[i].left, start.left + 60);
        EXPECT_EQ(moved[i].right, start.right + 60);
        EXPECT_EQ(moved[i].top, start.top);
    }
    for (int i = 0; i < 2; ++i) {
        const RECT& start = layout.RowAt(i).start;
        EXPECT_EQ(widened[i].left, start.left);
        EXPECT_EQ(widened[i].right, start.right + 60);
    }
}

TEST(SmartphoneFindTest, ReplaceAndReplaceAllEndTheDialog) {
    PlatformScope smartphone(true);
    EditHost host(L"red green red");
    FindReplaceDialog dialog;
    host.Select(0, 3);
    {
        ModalDriver driver([](HWND window) {
            SetWindowTextW(GetDlgItem(window, IDC_REPLACE_TEXT), L"blue");
            Click(window, IDC_REPLACE);
        });
        EXPECT_EQ(dialog.OpenModal(host.Edit()), IDOK);
        EXPECT_TRUE(driver.Acted());
    }
    EXPECT_EQ(host.Text(), L"blue green red");
    EXPECT_EQ(host.SelStart(), 11);
    {
        ModalDriver driver([](HWND window) {
            SetWindowTextW(GetDlgItem(window, IDC_FIND_TEXT), L"e");
            SetWindowTextW(GetDlgItem(window, IDC_REPLACE_TEXT), L"E");
            Click(window, IDC_REPLACE_ALL);
        });
        EXPECT_EQ(dialog.OpenModal(host.Edit()), IDOK);
        EXPECT_TRUE(driver.Acted());
    }
    EXPECT_EQ(host.Text(), L"bluE grEEn rEd");
}

// ---- The view's commands ----------------------------------------------------

TEST(ViewFindCommandsTest, FindCommandsReachTheViewsDialog) {
    PlatformScope pocketPc(false);
    EditHost host;  // only its top-level window is used, as the frame
    EditView view;
    RECT rect{0, 0, 400, 300};
    HWND edit = view.Create(host.Frame(), rect, kEditViewNoWrapStyle);
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, L"alpha beta alpha beta");
    SendMessageW(edit, EM_SETSEL, 6, 10);

    SendMessageW(edit, WM_COMMAND, ID_EDIT_FIND, 0);
    FindReplaceDialog* dialog = view.FindDialog();
    ASSERT_NE(dialog, nullptr);
    HWND window = dialog->Handle();
    ASSERT_TRUE(window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), host.Frame());
    EXPECT_EQ(TextOf(GetDlgItem(window, IDC_FIND_TEXT)), L"beta");

    SendMessageW(edit, WM_COMMAND, ID_EDIT_FINDNEXT, 0);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 17u);
    EXPECT_EQ(end, 21u);
}

TEST(ViewFindCommandsTest, TheDialogFollowsTheViewAcrossAWordWrapSwitch) {
    PlatformScope pocketPc(false);
    EditHost host;
    EditView view;
    RECT rect{0, 0, 400, 300};
    HWND edit = view.Create(host.Frame(), rect, kEditViewNoWrapStyle);
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, L"one two one two");
    SendMessageW(edit, WM_COMMAND, ID_EDIT_FIND, 0);
    HWND window = view.FindDialog()->Handle();
    ASSERT_TRUE(window);
    TypeInCombo(window, IDC_FIND_TEXT, L"two");

    HWND wrapped = view.SetWordWrap(true);
    ASSERT_TRUE(wrapped);
    ASSERT_NE(wrapped, edit);
    ASSERT_FALSE(IsWindow(edit));
    SendMessageW(wrapped, EM_SETSEL, 0, 0);
    Click(window, IDC_FIND_NEXT);
    DWORD start = 0, end = 0;
    SendMessageW(wrapped, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 7u);
}
