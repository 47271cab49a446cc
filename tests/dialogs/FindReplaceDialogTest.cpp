// The find/replace dialog in both forms: the find/replace row switch, history,
// Replace only on an occurrence, Replace All, Smartphone's modal use, and the
// view's commands.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "DialogTestHelpers.h"
#include "support/TestSupport.h"
#include "dialogs/FindReplaceDialog.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "common/Module.h"
#include "shell/AppModule.h"
#include "common/MessageLoop.h"

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

int WindowHeight(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

// A Pocket PC dialog opened on a host's edit control.
class ModelessFindTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(dialog_.OpenModeless(host_.Edit()), 1);
        window_ = dialog_.Handle();
        ASSERT_TRUE(window_);
    }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void Find(const std::wstring& text) {
        TypeInCombo(window_, IDC_FIND_TEXT, text);
        Click(window_, IDC_FIND_NEXT);
    }
    // Expands the dialog and fills both fields.
    void Fields(const std::wstring& find, const std::wstring& replacement) {
        if (!dialog_.IsReplaceMode()) Click(window_, IDC_REPLACE);
        TypeInCombo(window_, IDC_FIND_TEXT, find);
        SetWindowTextW(Item(IDC_REPLACE_TEXT), replacement.c_str());
    }

    PlatformScope pocketPc_{false};
    EditHost host_{L"one two one"};
    FindReplaceDialog dialog_;
    HWND window_ = nullptr;
};

}  // namespace

TEST_F(ModelessFindTest, CompactFindModeExpandsAndIsCompactAgainOnTheNextShowing) {
    EXPECT_EQ(dialog_.Flags() & 0xF, 0u);  // not modal, find mode, no options
    EXPECT_EQ(WindowText(Item(IDC_REPLACE)), L"替换\u2193");
    EXPECT_FALSE(IsWindowVisible(Item(IDC_REPLACE_TEXT)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_REPLACE_ALL)));
    EXPECT_FALSE(IsWindowVisible(Item(IDC_REPLACE_LABEL)));
    RECT combo{};
    GetWindowRect(Item(IDC_REPLACE_TEXT), &combo);
    const int shift = dialog_.RowShift();
    EXPECT_EQ(shift, combo.bottom - combo.top + 4);
    // The check-box row moved up from its template place; the buttons did not.
    RECT templateBox = {28, 39, 68, 53};
    MapDialogRect(window_, &templateBox);
    EXPECT_EQ(RectIn(window_, Item(IDC_WHOLE_WORD)).top, templateBox.top - shift);
    RECT templateButton = {105, 22, 140, 36};
    MapDialogRect(window_, &templateButton);
    EXPECT_EQ(RectIn(window_, Item(IDC_REPLACE)).top, templateButton.top);
    const int compactHeight = WindowHeight(window_);

    Click(window_, IDC_REPLACE);
    EXPECT_TRUE(dialog_.IsReplaceMode());
    EXPECT_EQ(WindowText(Item(IDC_REPLACE)), L"替换");
    EXPECT_TRUE(IsWindowVisible(Item(IDC_REPLACE_TEXT)));
    EXPECT_TRUE(IsWindowVisible(Item(IDC_REPLACE_ALL)));
    EXPECT_EQ(GetParent(GetFocus()), Item(IDC_REPLACE_TEXT));
    EXPECT_EQ(WindowHeight(window_), compactHeight + shift);
    EXPECT_EQ(RectIn(window_, Item(IDC_WHOLE_WORD)).top, templateBox.top);
    EXPECT_EQ(host_.Text(), L"one two one");  // the first press replaces nothing

    Click(window_, IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(window_));
    ASSERT_EQ(dialog_.OpenModeless(host_.Edit()), 1);
    EXPECT_EQ(dialog_.Handle(), window_);  // the same window, shown again
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_FALSE(dialog_.IsReplaceMode());
    EXPECT_EQ(WindowText(Item(IDC_REPLACE)), L"替换\u2193");
    EXPECT_EQ(WindowHeight(window_), compactHeight);
    EXPECT_EQ(RectIn(window_, Item(IDC_WHOLE_WORD)).top, templateBox.top - shift);
}

TEST_F(ModelessFindTest, HistoryIsNewestFirstAndHoldsEachTextOnce) {
    Find(L"Foo");
    Find(L"bar");
    Find(L"foo");
    Find(L"");
    EXPECT_EQ(History(window_, IDC_FIND_TEXT), (std::vector<std::wstring>{L"foo", L"bar"}));
}

TEST_F(ModelessFindTest, ReplaceLeavesANonOccurrenceAndSelectsTheNextOne) {
    Fields(L"one", L"1");
    host_.Select(4, 7);  // "two"
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two one");
    EXPECT_EQ(host_.SelStart(), 8);
    EXPECT_EQ(host_.SelEnd(), 11);

    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two 1");
    EXPECT_EQ(host_.SelStart(), 0);  // then the next occurrence, found by wrapping
    EXPECT_EQ(host_.SelEnd(), 3);
    EXPECT_EQ(History(window_, IDC_REPLACE_TEXT), (std::vector<std::wstring>{L"1"}));

    host_.Select(3, 6);  // the right length, the wrong place
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"one two 1");
}

TEST_F(ModelessFindTest, ReplaceHonoursCaseAndWholeWord) {
    host_.SetText(L"ONE concat cat");
    Fields(L"one", L"1");
    CheckDlgButton(window_, IDC_MATCH_CASE, BST_CHECKED);
    host_.Select(0, 3);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"ONE concat cat");
    CheckDlgButton(window_, IDC_MATCH_CASE, BST_UNCHECKED);
    host_.Select(0, 3);
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat cat");

    Fields(L"cat", L"dog");
    CheckDlgButton(window_, IDC_WHOLE_WORD, BST_CHECKED);
    host_.Select(7, 10);  // inside "concat"
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat cat");
    Click(window_, IDC_REPLACE);
    EXPECT_EQ(host_.Text(), L"1 concat dog");
}

TEST_F(ModelessFindTest, ReplaceAllNeverSearchesInsertedTextAndUndoesStepByStep) {
    host_.SetText(L"aaa");
    Fields(L"a", L"aa");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"aaaaaa");
    EXPECT_EQ(host_.SelStart(), 6);  // the caret ends after the last replacement
    EXPECT_EQ(host_.SelEnd(), 6);
    EXPECT_EQ(host_.UndoSteps(), 3);
    EXPECT_EQ(host_.Text(), L"aaa");

    host_.SetText(L"aaaa");
    Fields(L"aa", L"b");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"bb");
    EXPECT_EQ(host_.UndoSteps(), 2);

    host_.SetText(L"x1 x2\rx3\r\rx4");
    Fields(L"x", L"");
    Click(window_, IDC_REPLACE_ALL);
    EXPECT_EQ(host_.Text(), L"1 2\r3\r\r4");
}

TEST_F(ModelessFindTest, AReadOnlyControlIsNeverChanged) {
    host_.SetText(L"a-a-a");
    SendMessageW(host_.Edit(), EM_SETREADONLY, TRUE, 0);
    Fields(L"a", L"");
    Click(window_, IDC_REPLACE_ALL);  // returns rather than finding the same "a" forever
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
    dialog_.FindNextCommand(host_.Edit());
    EXPECT_EQ(host_.SelStart(), 0);
    EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(ModelessFindTest, KeysReachTheDialogThroughTheLoopFilter) {
    MessageLoop loop;
    ASSERT_TRUE(RegisterThreadLoop(&loop));
    FindReplaceDialog second;
    ASSERT_EQ(second.OpenModeless(host_.Edit()), 1);
    HWND window = second.Handle();
    TypeInCombo(window, IDC_FIND_TEXT, L"two");
    HWND field = GetWindow(GetDlgItem(window, IDC_FIND_TEXT), GW_CHILD);
    SetFocus(field);
    auto press = [&](WPARAM key) {
        PostMessageW(field, WM_KEYDOWN, key, 1);
        PostMessageW(field, WM_KEYUP, key, 0xC0000001);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (loop.PreTranslate(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    press(VK_RETURN);
    EXPECT_EQ(host_.SelStart(), 4);  // Enter pressed the default button, Find Next
    press(VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(window));
    DestroyWindow(window);
    EXPECT_FALSE(loop.RemoveFilter(&second));  // the window took its filter with it
    UnregisterThreadLoop();
}

TEST(FindReplaceDialogTest, TheSelectionInItsFirstLineIsTheFindText) {
    PlatformScope pocketPc(false);
    EditHost host(L"first line\rsecond line");
    FindReplaceDialog dialog;
    EXPECT_EQ(dialog.Flags(), 0x182u);
    host.Select(6, 16);
    ASSERT_EQ(dialog.OpenModeless(host.Edit()), 1);
    EXPECT_EQ(WindowText(GetDlgItem(dialog.Handle(), IDC_FIND_TEXT)), L"line");
    // An existing window keeps what its combo holds.
    host.Select(11, 17);
    dialog.OpenModeless(host.Edit());
    EXPECT_EQ(WindowText(GetDlgItem(dialog.Handle(), IDC_FIND_TEXT)), L"line");
}

// ---- Smartphone -------------------------------------------------------------

TEST(SmartphoneFindTest, FindNextEndsTheDialogAndTheCommandGoesOnWithoutIt) {
    PlatformScope smartphone(true);
    EditHost host(L"dog cat dog cat dog");
    FindReplaceDialog dialog;
    {
        ModalDriver driver([](HWND window) { Click(window, IDCANCEL); });
        dialog.FindNextCommand(host.Edit());  // nothing to search for yet: opens the dialog
        EXPECT_TRUE(driver.Acted());
    }
    ModalDriver driver([](HWND window) {
        SetWindowTextW(GetDlgItem(window, IDC_FIND_TEXT), L"CAT");
        Click(window, IDC_FIND_NEXT);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDOK);
    EXPECT_EQ(host.SelStart(), 4);
    EXPECT_FALSE(dialog.Handle());

    ModalDriver guard([](HWND window) { EndDialog(window, 77); });
    dialog.FindNextCommand(host.Edit());
    EXPECT_EQ(host.SelStart(), 12);
    dialog.FindNextCommand(host.Edit());
    EXPECT_EQ(host.SelStart(), 4);
    EXPECT_FALSE(guard.Acted());
}

TEST(SmartphoneFindTest, AllRowsWithTheWordBoxUnderTheCaseBox) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    RECT caseBox{}, wordBox{};
    bool replaceShown = false;
    ModalDriver driver([&](HWND window) {
        caseBox = RectIn(window, GetDlgItem(window, IDC_MATCH_CASE));
        wordBox = RectIn(window, GetDlgItem(window, IDC_WHOLE_WORD));
        replaceShown = IsWindowVisible(GetDlgItem(window, IDC_REPLACE_TEXT)) != FALSE;
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_REPLACE)), L"替换");
        EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
        Click(window, IDCANCEL);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDCANCEL);
    EXPECT_TRUE(replaceShown);
    EXPECT_EQ(wordBox.left, caseBox.left);
    EXPECT_EQ(wordBox.top, caseBox.bottom + GetSystemMetrics(SM_CYEDGE));
}

TEST(SmartphoneFindTest, GrowingBySixtyMovesTheButtonsAndWidensTheCombos) {
    PlatformScope smartphone(true);
    EditHost host(L"text");
    FindReplaceDialog dialog;
    const int ids[] = {IDC_FIND_TEXT, IDC_REPLACE_TEXT, IDC_FIND_NEXT, IDC_REPLACE, IDC_REPLACE_ALL};
    RECT placed[5]{};
    ModalDriver driver([&](HWND window) {
        const DialogLayout& layout = dialog.Layout();
        RECT frame{}, client{};
        GetWindowRect(window, &frame);
        GetClientRect(window, &client);
        SetWindowPos(window, nullptr, 0, 0, layout.InitialWidth() + 60 + (frame.right - frame.left - client.right),
                     layout.InitialHeight() + (frame.bottom - frame.top - client.bottom), SWP_NOMOVE | SWP_NOZORDER);
        for (int i = 0; i < 5; ++i) placed[i] = RectIn(window, GetDlgItem(window, ids[i]));
        Click(window, IDCANCEL);
    });
    dialog.OpenModal(host.Edit());
    ASSERT_TRUE(driver.Acted());
    const DialogLayout& layout = dialog.Layout();
    ASSERT_EQ(layout.RowCount(), 5);
    for (int i = 0; i < 5; ++i) {
        const RECT& start = layout.RowAt(i).start;
        EXPECT_EQ(layout.RowAt(i).id, ids[i]);
        EXPECT_EQ(placed[i].left, start.left + (i < 2 ? 0 : 60)) << ids[i];
        EXPECT_EQ(placed[i].right, start.right + 60) << ids[i];
        EXPECT_EQ(placed[i].top, start.top) << ids[i];
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
    }
    EXPECT_EQ(host.Text(), L"blue green red");
    EXPECT_EQ(host.SelStart(), 11);
    ModalDriver driver([](HWND window) {
        SetWindowTextW(GetDlgItem(window, IDC_FIND_TEXT), L"e");
        SetWindowTextW(GetDlgItem(window, IDC_REPLACE_TEXT), L"E");
        Click(window, IDC_REPLACE_ALL);
    });
    EXPECT_EQ(dialog.OpenModal(host.Edit()), IDOK);
    EXPECT_EQ(host.Text(), L"bluE grEEn rEd");
}

// ---- The view's commands ----------------------------------------------------

class ViewFindCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        RECT rect{0, 0, 400, 300};
        edit_ = view_.Create(host_.Frame(), rect, kEditViewNoWrapStyle);
        ASSERT_TRUE(edit_);
    }
    DWORD SelStart(HWND edit) const {
        DWORD start = 0, end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start;
    }

    PlatformScope pocketPc_{false};
    EditHost host_;  // only its top-level window is used, as the frame
    EditView view_;
    HWND edit_ = nullptr;
};

TEST_F(ViewFindCommandsTest, FindCommandsReachTheViewsDialog) {
    SetWindowTextW(edit_, L"alpha beta alpha beta");
    SendMessageW(edit_, EM_SETSEL, 6, 10);
    SendMessageW(edit_, WM_COMMAND, ID_EDIT_FIND, 0);
    ASSERT_NE(view_.FindDialog(), nullptr);
    HWND window = view_.FindDialog()->Handle();
    ASSERT_TRUE(window);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), host_.Frame());
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_FIND_TEXT)), L"beta");
    SendMessageW(edit_, WM_COMMAND, ID_EDIT_FINDNEXT, 0);
    EXPECT_EQ(SelStart(edit_), 17u);
}

TEST_F(ViewFindCommandsTest, TheDialogFollowsTheViewAcrossAWordWrapSwitch) {
    SetWindowTextW(edit_, L"one two one two");
    SendMessageW(edit_, WM_COMMAND, ID_EDIT_FIND, 0);
    HWND window = view_.FindDialog()->Handle();
    ASSERT_TRUE(window);
    TypeInCombo(window, IDC_FIND_TEXT, L"two");
    HWND wrapped = view_.SetWordWrap(true);
    ASSERT_TRUE(wrapped);
    ASSERT_FALSE(IsWindow(edit_));
    Click(window, IDC_FIND_NEXT);
    EXPECT_EQ(SelStart(wrapped), 4u);
}

namespace {

// Replace All written out plainly: find from the end of the last replacement,
// select, replace, on and on.
void ReplaceOneByOne(HWND edit, const std::wstring& find, const std::wstring& replacement, bool matchCase,
                     bool wholeWord) {
    for (int pos = 0; pos < GetWindowTextLengthW(edit);) {
        const int found = SearchEdit(edit, pos, GetWindowTextLengthW(edit), find.c_str(), matchCase, wholeWord);
        if (found < 0) break;
        SendMessageW(edit, EM_SETSEL, found, found + static_cast<int>(find.size()));
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
        pos = found + static_cast<int>(replacement.size());
    }
}

std::wstring EditText(HWND edit) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    TEXTRANGEW range{{0, static_cast<LONG>(text.size() - 1)}, text.data()};
    text.resize(static_cast<size_t>(SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    return text;
}

}  // namespace

TEST_F(ViewFindCommandsTest, ReplaceAllOverManyOccurrencesEndsAsReplacingOneByOne) {
    const struct {
        std::wstring unit;  // repeated 110 times
        const wchar_t* find;
        const wchar_t* replacement;
        bool matchCase, wholeWord;
    } cases[] = {
        {L"Cat cat concat\r", L"cat", L"dog", false, false},
        {L"cat cat concat cats\r", L"cat", L"x", true, true},
        {L"aaa \r", L"a", L"aa", false, false},
        {L"aaaa\r", L"aa", L"b", false, false},
        {L"\u732b\u732bab ab\r\r", L"ab", L"", false, true},
        {L"ab-abab \r", L"ab", L"", false, true},
        {L"xab ab \r", L"ab", L"q", false, true},
        {L"-a-a-a x\r", L"-a", L"1", false, true},
        {L"-a-a-a x\r", L"-a", L"", false, true},
        {L"\u00c9t\u00e9 \u00e9t\u00e9\r", L"\u00e9t\u00e9", L"summer", false, false},
    };
    for (const auto& c : cases) {
        std::wstring text;
        for (int i = 0; i < 110; ++i) text += c.unit;
        EditHost reference(text);
        SendMessageW(reference.Edit(), WM_SETREDRAW, FALSE, 0);
        ReplaceOneByOne(reference.Edit(), c.find, c.replacement, c.matchCase, c.wholeWord);

        view_.NewDocument();
        HWND edit = view_.Handle();
        ASSERT_TRUE(edit);
        SetWindowTextW(edit, text.c_str());
        SendMessageW(edit, EM_EMPTYUNDOBUFFER, 0, 0);
        SendMessageW(edit, WM_COMMAND, ID_EDIT_FIND, 0);
        HWND window = view_.FindDialog()->Handle();
        ASSERT_TRUE(window);
        if (!view_.FindDialog()->IsReplaceMode()) Click(window, IDC_REPLACE);
        CheckDlgButton(window, IDC_MATCH_CASE, c.matchCase ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, IDC_WHOLE_WORD, c.wholeWord ? BST_CHECKED : BST_UNCHECKED);
        TypeInCombo(window, IDC_FIND_TEXT, c.find);
        SetWindowTextW(GetDlgItem(window, IDC_REPLACE_TEXT), c.replacement);
        Click(window, IDC_REPLACE_ALL);
        // Most of the replacements went in at once, in a new control.
        EXPECT_NE(view_.Handle(), edit);
        edit = view_.Handle();

        const std::string name = testing::PrintToString(c.unit + L"/" + c.find);
        ASSERT_EQ(EditText(edit), reference.Text()) << name;
        EXPECT_EQ(SelStart(edit), static_cast<DWORD>(reference.SelStart())) << name;
        EXPECT_TRUE(SendMessageW(edit, EM_GETMODIFY, 0, 0)) << name;
        // The same undo steps, each leading to the same text.
        int steps = 0;
        for (; SendMessageW(reference.Edit(), EM_CANUNDO, 0, 0); ++steps) {
            ASSERT_TRUE(SendMessageW(edit, EM_UNDO, 0, 0)) << name << " step " << steps;
            SendMessageW(reference.Edit(), EM_UNDO, 0, 0);
            ASSERT_EQ(EditText(view_.Handle()), reference.Text()) << name << " step " << steps;
        }
        EXPECT_FALSE(SendMessageW(view_.Handle(), EM_CANUNDO, 0, 0)) << name;
        EXPECT_EQ(steps, 100) << name;
    }
}

namespace {

// The search written out plainly, one line after another.
int SearchLineByLine(std::wstring text, int from, int to, std::wstring needle, bool matchCase, bool wholeWord) {
    if (!matchCase) {
        CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
        CharLowerBuffW(needle.data(), static_cast<DWORD>(needle.size()));
    }
    auto letter = [](wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); };
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(L'\r', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        size_t at = static_cast<size_t>(from) > start ? from - start : 0;
        for (; (at = line.find(needle, at)) != std::wstring::npos; at += needle.size()) {
            const bool before = at > 0 && letter(line[at - 1]);
            const bool after = at + needle.size() < line.size() && letter(line[at + needle.size()]);
            if (!wholeWord || (!before && !after)) return static_cast<int>(start + at);
        }
        if (end >= static_cast<size_t>(to)) break;
        start = end + 1;
    }
    return -1;
}

}  // namespace

TEST_F(ViewFindCommandsTest, SearchingTheViewsCopyFindsWhatALineByLineSearchFinds) {
    const wchar_t letters[] = L"aAbB -\r\u00e9\u00c9\u732b";
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    for (int round = 0; round < 6; ++round) {
        std::wstring text;
        for (int i = 0; i < 400; ++i) text += letters[next(static_cast<uint32_t>(wcslen(letters)))];
        SetWindowTextW(edit_, text.c_str());
        for (int query = 0; query < 300; ++query) {
            const int length = static_cast<int>(text.size());
            const int at = static_cast<int>(next(static_cast<uint32_t>(length - 3)));
            const std::wstring needle = text.substr(static_cast<size_t>(at), 1 + next(3));
            const int from = static_cast<int>(next(static_cast<uint32_t>(length)));
            const int to = from + static_cast<int>(next(static_cast<uint32_t>(length - from + 1)));
            const bool matchCase = next(2) != 0;
            const bool wholeWord = next(2) != 0;
            ASSERT_EQ(SearchWholeText(edit_, from, to, needle.c_str(), matchCase, wholeWord),
                      SearchLineByLine(text, from, to, needle, matchCase, wholeWord))
                << "round " << round << " query " << query;
        }
    }
}

TEST_F(ViewFindCommandsTest, FindNextSeesEveryChangeOfTheText) {
    SetWindowTextW(edit_, L"xbc bbc");
    EXPECT_EQ(FindReplaceDialog::FindNext(edit_, L"bbc", true, false), 4);
    // Edits that keep the length: the copy of the old text must not be searched.
    SendMessageW(edit_, EM_SETSEL, 0, 1);
    SendMessageW(edit_, WM_CHAR, L'b', 0);
    SendMessageW(edit_, EM_SETSEL, 4, 7);
    EXPECT_EQ(FindReplaceDialog::FindNext(edit_, L"bbc", true, false), 0);
    SendMessageW(edit_, EM_SETSEL, 0, 3);
    SendMessageW(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"bbd"));
    EXPECT_EQ(FindReplaceDialog::FindNext(edit_, L"bbc", true, false), 4);
    SendMessageW(edit_, EM_UNDO, 0, 0);
    SendMessageW(edit_, EM_SETSEL, 4, 4);
    EXPECT_EQ(FindReplaceDialog::FindNext(edit_, L"bbc", true, false), 0);
    // A document loaded in the same control in place of the text.
    testsupport::TempDir folder;
    ASSERT_TRUE(testsupport::WriteBytes(folder.File(L"a.txt"), "bbc xbc"));
    ASSERT_TRUE(view_.LoadDocument(folder.File(L"a.txt").c_str(), TextEncoding::Ansi));
    SendMessageW(view_.Handle(), EM_SETSEL, 2, 2);
    EXPECT_EQ(FindReplaceDialog::FindNext(view_.Handle(), L"bbc", true, false), 0);
}
