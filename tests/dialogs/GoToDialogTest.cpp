// The go-to dialog: what it shows, where OK puts the caret, and the clamping
// of lines and columns outside the text.
#include <gtest/gtest.h>

#include "DialogTestHelpers.h"
#include "dialogs/GoToDialog.h"
#include "resources/resource.h"

using namespace brevitex;
using namespace dialogtests;

namespace {

std::wstring TwelveLines() {
    std::wstring text = L"line1";
    for (int i = 2; i <= 12; ++i) text += L"\rline" + std::to_wstring(i);
    return text;
}

struct Shown {
    std::wstring line, column, count;
    bool lineHasFocus = false;
};

// Runs the dialog through RunGoToDialog: records what it shows, types line and
// column (unless null) and presses the button. True when the caret moved.
bool GoTo(EditHost& host, const wchar_t* line, const wchar_t* column, Shown* shown = nullptr, int button = IDOK) {
    ModalDriver driver([&](HWND dialog) {
        if (shown) {
            shown->line = WindowText(GetDlgItem(dialog, IDC_GOTO_LINE));
            shown->column = WindowText(GetDlgItem(dialog, IDC_GOTO_COLUMN));
            shown->count = WindowText(GetDlgItem(dialog, IDC_GOTO_LINE_COUNT));
            shown->lineHasFocus = GetFocus() == GetDlgItem(dialog, IDC_GOTO_LINE);
        }
        if (line) SetDlgItemTextW(dialog, IDC_GOTO_LINE, line);
        if (column) SetDlgItemTextW(dialog, IDC_GOTO_COLUMN, column);
        SendMessageW(dialog, WM_COMMAND, button, 0);
    });
    const bool moved = RunGoToDialog(host.Frame(), host.Edit());
    EXPECT_TRUE(driver.Acted());
    return moved;
}

}  // namespace

TEST(GoToDialogTest, ShowsTheLineCountAndTheCaretPosition) {
    EditHost host(TwelveLines());
    Shown shown;
    EXPECT_FALSE(GoTo(host, nullptr, nullptr, &shown, IDCANCEL));
    EXPECT_EQ(shown.count, L"共 12 行");
    EXPECT_EQ(shown.line, L"1");
    EXPECT_EQ(shown.column, L"1");
    EXPECT_TRUE(shown.lineHasFocus);

    host.Select(20, 25);
    EXPECT_FALSE(GoTo(host, L"1", L"1", &shown, IDCANCEL));
    EXPECT_EQ(shown.line, L"5");  // the caret is the selection's end
    EXPECT_EQ(shown.column, L"2");
    EXPECT_EQ(host.SelStart(), 20);  // Cancel leaves the selection
    EXPECT_EQ(host.SelEnd(), 25);
}

TEST(GoToDialogTest, OkWithoutChangeCollapsesTheSelectionAtTheShownPosition) {
    EditHost host(TwelveLines());
    host.Select(7, 15);
    EXPECT_TRUE(GoTo(host, nullptr, nullptr));
    EXPECT_EQ(host.SelStart(), 15);
    EXPECT_EQ(host.SelEnd(), 15);
}

TEST(GoToDialogTest, LineAndColumnPlaceTheCaret) {
    EditHost host(L"abc\rdefgh\rij");
    const struct {
        const wchar_t* line;
        const wchar_t* column;
        int position;
    } cases[] = {
        {L"2", L"1", 4},  {L"3", L"2", 11},
        {L"1", L"4", 3},  // one past the line's end: the end of the line
        {L"1", L"6", 5},  // further: counts on into the next line
    };
    for (const auto& c : cases) {
        host.Select(0, 0);
        EXPECT_TRUE(GoTo(host, c.line, c.column));
        EXPECT_EQ(host.SelStart(), c.position) << testing::PrintToString(std::wstring(c.line) + L"," + c.column);
        EXPECT_EQ(host.SelEnd(), c.position);
    }
}

TEST(GoToDialogTest, ZeroAndOutOfRangeValuesAreClampedToTheText) {
    EditHost host(L"abc\rdefgh\rij");
    const struct {
        const wchar_t* line;
        const wchar_t* column;
        int position;
    } cases[] = {
        {L"0", L"2", 1},            // line 0 is the first line, not the caret's
        {L"2", L"0", 4},            // column 0 is the line's start, not the previous line's end
        {L"99", L"1", 10},          // past the last line: the last line
        {L"4000000000", L"2", 11},  // beyond any int as well
        {L"2", L"500", 12},         // past the end of the text: its end
        {L"x", L"", 0},             // not numbers: read as 0
    };
    for (const auto& c : cases) {
        host.Select(6, 6);  // the caret in line 2
        GoTo(host, c.line, c.column);
        EXPECT_EQ(host.SelStart(), c.position) << testing::PrintToString(std::wstring(c.line) + L"," + c.column);
    }
}

TEST(GoToDialogTest, SmartphoneBackInTheLineBoxDeletesAndElsewhereCancels) {
    PlatformScope smartphone(true);
    EditHost host(TwelveLines());
    std::wstring afterBack;
    bool openAfterPress = false;
    ModalDriver driver([&](HWND dialog) {
        HWND line = GetDlgItem(dialog, IDC_GOTO_LINE);
        SetWindowTextW(line, L"12");
        SetFocus(line);
        SendMessageW(line, EM_SETSEL, 2, 2);
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
        afterBack = WindowText(line);
        SetFocus(nullptr);
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        openAfterPress = IsWindowVisible(dialog) != FALSE;
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
    });
    GoToDialog dialog(host.Edit());
    EXPECT_EQ(dialog.Run(host.Frame()), IDCANCEL);
    EXPECT_EQ(afterBack, L"1");
    EXPECT_TRUE(openAfterPress);
}
