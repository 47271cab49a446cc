// The line-by-line search on real edit controls: wrap-around, the start after
// the selection, whole-word and case rules, and line boundaries.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include "DialogTestHelpers.h"
#include "dialogs/FindReplaceDialog.h"

using namespace brevitex;
using dialogtests::EditHost;

namespace {

int Find(EditHost& host, const wchar_t* text, bool matchCase = false, bool wholeWord = false) {
    return FindReplaceDialog::FindNext(host.Edit(), text, matchCase, wholeWord);
}

}  // namespace

TEST(SearchTest, FindNextWrapsAndStartsOneAfterTheSelectionStart) {
    EditHost host(L"cat dog cat");
    host.Select(8, 11);
    EXPECT_EQ(Find(host, L"cat"), 0);
    EXPECT_EQ(host.SelStart(), 0);
    EXPECT_EQ(host.SelEnd(), 3);
    host.Select(4, 7);
    EXPECT_EQ(Find(host, L"dog"), 4);  // a single occurrence stays selected
    EXPECT_EQ(host.SelEnd(), 7);

    host.SetText(L"aaa");
    host.Select(0, 2);
    EXPECT_EQ(Find(host, L"aa"), 1);
    EXPECT_EQ(host.SelEnd(), 3);
}

TEST(SearchTest, NoOccurrenceLeavesTheSelection) {
    EditHost host(L"alpha\rbeta");
    host.Select(2, 4);
    EXPECT_EQ(Find(host, L"gamma"), -1);
    EXPECT_EQ(Find(host, L""), -1);
    EXPECT_EQ(host.SelStart(), 2);
    EXPECT_EQ(host.SelEnd(), 4);
}

TEST(SearchTest, LinesBoundTheSearchAndOccurrences) {
    EditHost host(L"first line\rsecond\r\rthird needle here");
    EXPECT_EQ(Find(host, L"needle"), 25);
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 40, L"linesecond", false, false), -1);
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 40, L"line\rsecond", false, false), -1);
    // `to` chooses the last line searched, which is searched whole.
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 11, L"second", false, false), 11);
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 10, L"second", false, false), -1);
    // The first line is searched from `from`, later ones from their start.
    EXPECT_EQ(SearchEdit(host.Edit(), 13, 40, L"se", false, false), -1);
    EXPECT_EQ(SearchEdit(host.Edit(), 12, 40, L"ec", false, false), 12);
    EXPECT_EQ(SearchEdit(host.Edit(), 11, 40, L"th", false, false), 19);
}

TEST(SearchTest, WholeWordBoundaries) {
    const struct {
        const wchar_t* text;
        int expected;
    } cases[] = {
        {L"cat1", 0},    {L"(cat)", 1},      {L"\u732bcat\u72d7", 1}, {L"_cat_", 1}, {L"\u00e9cat", 1},
        {L"Cat", 0},     {L"concat", -1},    {L"cats", -1},           {L"xcat.", -1}, {L"concat cat", 7},
        {L"x\rcat\ry", 2},
    };
    EditHost host;
    for (const auto& c : cases) {
        host.SetText(c.text);
        EXPECT_EQ(SearchEdit(host.Edit(), 0, 20, L"cat", false, true), c.expected)
            << testing::PrintToString(std::wstring(c.text));
    }
    host.SetText(L"aaa aa");
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 6, L"aa", false, true), 4);
    // An occurrence right at `from` sees the character before it.
    host.SetText(L"acat cat");
    EXPECT_EQ(SearchEdit(host.Edit(), 1, 8, L"cat", false, true), 5);
}

TEST(SearchTest, CaseFolding) {
    EditHost host(L"xx ABC yy");
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 9, L"abc", false, false), 3);
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 9, L"abc", true, false), -1);
    EXPECT_EQ(SearchEdit(host.Edit(), 0, 9, L"ABC", true, false), 3);
}

TEST(SearchTest, AWrappedLineIsSearchedAsOneLine) {
    EditHost host;
    // A narrow word-wrapping control: the phrase is broken across display rows.
    SetWindowLongW(host.Edit(), GWL_STYLE, GetWindowLongW(host.Edit(), GWL_STYLE) & ~(WS_HSCROLL | ES_AUTOHSCROLL));
    MoveWindow(host.Edit(), 0, 0, 60, 300, TRUE);
    SendMessageW(host.Edit(), EM_SETTARGETDEVICE, 0, 0);
    host.SetText(L"lorem ipsum dolor sit amet consectetur");
    ASSERT_GT(SendMessageW(host.Edit(), EM_GETLINECOUNT, 0, 0), 1);
    EXPECT_EQ(Find(host, L"sit amet consectetur"), 18);
}

TEST(SearchTest, PlainEditControlsAreSearchedThroughTheirLines) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"one two\r\nthree two\r\nfour", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(edit);
    EXPECT_EQ(SearchEdit(edit, 0, 30, L"TWO", false, false), 4);
    EXPECT_EQ(SearchEdit(edit, 5, 30, L"two", false, false), 15);
    EXPECT_EQ(SearchEdit(edit, 0, 5, L"four", false, false), -1);
    EXPECT_EQ(SearchEdit(edit, 0, 30, L"ee two", false, true), -1);
    SendMessageW(edit, EM_SETSEL, 15, 18);
    EXPECT_EQ(FindReplaceDialog::FindNext(edit, L"two", true, true), 4);
    DestroyWindow(edit);
}
