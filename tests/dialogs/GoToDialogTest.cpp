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
    std::wstring text;
    for (int i = 1; i <= 12; ++i) {
        if (i > 1) text += L'\r';
        text += L"line" + std::to_wstring(i);  // line1 .. line12
    }
    return text;
}

struct Shown {
    std::wstring line, column, count;
    bool lineHasFocus = false;
};

// Runs the dialog, records what it shows, types line and column (unless
// null) and presses OK; returns the dialog's result.
INT_PTR RunAndType(EditHost& host, Shown* shown, const wchar_t* line, const wchar_t* column, int button = IDOK) {
    ModalDriver driver([&](HWND dialog) {
        if (shown) {
            shown->line = TextOf(GetDlgItem(dialog, IDC_GOTO_LINE));
            shown->column = TextOf(GetDlgItem(dialog, IDC_GOTO_COLUMN));
            shown->count = TextOf(GetDlgItem(dialog, IDC_GOTO_LINE_COUNT));
            shown->lineHasFocus = GetFocus() == GetDlgItem(dialog, IDC_GOTO_LINE);
        }
        if (line) SetDlgItemTextW(dialog, IDC_GOTO_LINE, line);
        if (column) SetDlgItemTextW(dialog, IDC_GOTO_COLUMN, column);
        SendMessageW(dialog, WM_COMMAND, button, 0);
    });
    GoToDialog dialog(host.Edit());
    const INT_PTR result = dialog.Run(host.Frame());
    EXPECT_TRUE(driver.Acted());
    return result;
}

}  // namespace

TEST(GoToDialogTest, ShowsTheLineCountAndTheCaretPosition) {
    EditHost host(TwelveLines());
    Shown shown;
    EXPECT_EQ(RunAndType(host, &shown, nullptr, nullptr, IDCANCEL), IDCANCEL);
    EXPECT_EQ(shown.count, L"共 12 行");
    EXPECT_EQ(shown.line, L"1");
    EXPECT_EQ(shown.column, L"1");
    EXPECT_TRUE(shown.lineHasFocus);

    host.Select(14, 14);  // "line3" starts at 12: line 3, column 3
    EXPECT_EQ(RunAndType(host, &shown, nullptr, nullptr, IDCANCEL), IDCANCEL);
    EXPECT_EQ(shown.line, L"3");
    EXPECT_EQ(shown.column, L"3");
    EXPECT_EQ(host.SelStart(), 14);
}

TEST(GoToDialogTest, OkWithoutChangeCollapsesTheSelectionAtTheShownPosition) {
    EditHost host(TwelveLines());
    host.Select(7, 15);  // ends in line 3, column 4
    Shown shown;
    EXPECT_EQ(RunAndType(host, &shown, nullptr, nullptr), IDOK);
    EXPECT_EQ(shown.line, L"3");
    EXPECT_EQ(shown.column, L"4");
    EXPECT_EQ(host.SelStart(), 15);
    EXPECT_EQ(host.SelEnd(), 15);
}

TEST(GoToDialogTest, LineAndColumnPlaceTheCaret) {
    EditHost host(TwelveLines());
    EXPECT_EQ(RunAndType(host, nullptr, L"3", L"1"), IDOK);
    EXPECT_EQ(host.SelStart(), 12);
    EXPECT_EQ(host.SelEnd(), 12);
    EXPECT_EQ(RunAndType(host, nullptr, L"10", L"7"), IDOK);
    EXPECT_EQ(host.SelStart(), 54 + 6);  // lines 1-9 take 9 * 6 units
}

TEST(GoToDialogTest, ColumnBeyondTheLineEnd) {
    EditHost host(L"abc\rdefgh\rij");
    RunAndType(host, nullptr, L"1", L"4");
    EXPECT_EQ(host.SelStart(), 3);  // the end of the first line
    RunAndType(host, nullptr, L"1", L"6");
    EXPECT_EQ(host.SelStart(), 5);  // counts on into the second line
    RunAndType(host, nullptr, L"2", L"500");
    EXPECT_EQ(host.SelStart(), 12);  // no further than the end of the text
}

TEST(GoToDialogTest, ZeroAndOutOfRangeValuesAreClampedToTheText) {
    EditHost host(L"abc\rdefgh\rij");
    host.Select(6, 6);  // caret in line 2
    RunAndType(host, nullptr, L"0", L"2");
    EXPECT_EQ(host.SelStart(), 1);  // line 0 is the first line, not the caret's
    host.Select(6, 6);
    RunAndType(host, nullptr, L"2", L"0");
    EXPECT_EQ(host.SelStart(), 4);  // column 0 is the line's start, not the previous line
    RunAndType(host, nullptr, L"99", L"1");
    EXPECT_EQ(host.SelStart(), 10);  // the last line
    RunAndType(host, nullptr, L"4000000000", L"2");
    EXPECT_EQ(host.SelStart(), 11);
    RunAndType(host, nullptr, L"99", L"99");
    EXPECT_EQ(host.SelStart(), 12);
    host.Select(6, 6);
    RunAndType(host, nullptr, L"x", L"");  // not numbers: read as 0
    EXPECT_EQ(host.SelStart(), 0);
}

TEST(GoToDialogTest, CancelLeavesTheCaret) {
    EditHost host(TwelveLines());
    host.Select(20, 25);
    EXPECT_EQ(RunAndType(host, nullptr, L"1", L"1", IDCANCEL), IDCANCEL);
    EXPECT_EQ(host.SelStart(), 20);
    EXPECT_EQ(host.SelEnd(), 25);
}

TEST(GoToDialogTest, RunGoToDialogReportsWhetherTheCaretMoved) {
    EditHost host(TwelveLines());
    {
        ModalDriver driver([](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_GOTO_LINE, L"2");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(RunGoToDialog(host.Frame(), host.Edit()));
    }
    EXPECT_EQ(host.SelStart(), 6);
    {
        ModalDriver driver([](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        EXPECT_FALSE(RunGoToDialog(host.Frame(), host.Edit()));
    }
}

TEST(GoToDialogTest, SmartphoneBackInTheLineBoxDeletesAndOnTheDialogCancels) {
    PlatformScope smartphone(true);
    EditHost host(TwelveLines());
    std::wstring afterBack;
    bool stillOpenAfterPress = false;
    ModalDriver driver([&](HWND dialog) {
        HWND line = GetDlgItem(dialog, IDC_GOTO_LINE);
        SetWindowTextW(line, L"12");
        SetFocus(line);
        SendMessageW(line, EM_SETSEL, 2, 2);
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
        afterBack = TextOf(line);
        SetFocus(nullptr);
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        stillOpenAfterPress = IsWindowVisible(dialog) != FALSE;
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
    });
    GoToDialog dialog(host.Edit());
    EXPECT_EQ(dialog.Run(host.Frame()), IDCANCEL);
    EXPECT_EQ(afterBack, L"1");
    EXPECT_TRUE(stillOpenAfterPress);
}
