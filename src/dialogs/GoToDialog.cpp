// The go-to-line dialog and the clamped caret placement behind it.
#include "dialogs/GoToDialog.h"

#include "device/DeviceShell.h"
#include "common/WideString.h"
#include "dialogs/DialogFrame.h"
#include "document/EditQueries.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

namespace {

constexpr UINT kSetInputMode = 0xDE;  // EM_SETINPUTMODE on the device
constexpr LPARAM kInputModeNumbers = 2;

}  // namespace

const MessageMapEntry<GoToDialog> GoToDialog::kMap[] = {
    BX_MESSAGE(WM_INITDIALOG, OnInitDialog),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_COMMAND(IDOK, OnOk),
    BX_COMMAND(IDCANCEL, OnCancel),
};

bool GoToDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

INT_PTR GoToDialog::Run(HWND owner) { return DoModal(owner, IDD_GOTO, ProgramInstance()); }

bool GoToDialog::OnInitDialog(WPARAM, LPARAM, LRESULT& result) {
    HWND lineEdit = GetDlgItem(hwnd_, IDC_GOTO_LINE);
    HWND columnEdit = GetDlgItem(hwnd_, IDC_GOTO_COLUMN);
    lineBox_.Subclass(lineEdit);
    columnBox_.Subclass(columnEdit);
    SendMessageW(lineEdit, kSetInputMode, 0, kInputModeNumbers);
    SendMessageW(columnEdit, kSetInputMode, 0, kInputModeNumbers);

    const unsigned lineCount = static_cast<unsigned>(SendMessageW(editControl_, EM_GETLINECOUNT, 0, 0));
    int line = 1;
    int column = 1;
    CaretPosition(editControl_, line, column);
    SetDlgItemInt(hwnd_, IDC_GOTO_LINE, static_cast<UINT>(line), FALSE);
    SetDlgItemInt(hwnd_, IDC_GOTO_COLUMN, static_cast<UINT>(column), FALSE);

    // The label's template text is the format of the line count.
    HWND label = GetDlgItem(hwnd_, IDC_GOTO_LINE_COUNT);
    WideString text;
    if (text.Format(WindowTextOf(label), lineCount)) SetWindowTextW(label, text);

    if (IsSmartphonePlatform()) SetUpSmartphoneDialog(hwnd_, IDR_OK_CANCEL_BAR, 0);
    result = TRUE;
    return true;
}

bool GoToDialog::OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    return BackKeyInDialog(hwnd_, WM_HOTKEY, wParam, lParam);
}

void GoToDialog::GoToPosition(HWND editControl, unsigned line, unsigned column) {
    const LRESULT lineCount = SendMessageW(editControl, EM_GETLINECOUNT, 0, 0);
    if (line < 1) line = 1;
    if (lineCount > 0 && line > static_cast<unsigned>(lineCount)) line = static_cast<unsigned>(lineCount);
    if (column < 1) column = 1;
    LRESULT lineStart = SendMessageW(editControl, EM_LINEINDEX, line - 1, 0);
    if (lineStart < 0) lineStart = 0;
    // The end of the text: the start of the last line plus that line's length.
    const LRESULT lastStart = SendMessageW(editControl, EM_LINEINDEX, lineCount > 0 ? lineCount - 1 : 0, 0);
    const LRESULT textEnd = lastStart < 0 ? 0 : lastStart + SendMessageW(editControl, EM_LINELENGTH, lastStart, 0);
    long long position = static_cast<long long>(lineStart) + column - 1;
    if (position > textEnd) position = textEnd;
    SendMessageW(editControl, EM_SETSEL, static_cast<WPARAM>(position), static_cast<LPARAM>(position));
    SendMessageW(editControl, EM_SCROLLCARET, 0, 0);
}

bool GoToDialog::OnOk(WPARAM, LPARAM, LRESULT& result) {
    // Text that is not a number reads as 0.
    const UINT line = GetDlgItemInt(hwnd_, IDC_GOTO_LINE, nullptr, FALSE);
    const UINT column = GetDlgItemInt(hwnd_, IDC_GOTO_COLUMN, nullptr, FALSE);
    GoToPosition(editControl_, line, column);
    EndDialog(hwnd_, IDOK);
    result = 0;
    return true;
}

bool GoToDialog::OnCancel(WPARAM, LPARAM, LRESULT& result) {
    EndDialog(hwnd_, IDCANCEL);
    result = 0;
    return true;
}

bool RunGoToDialog(HWND owner, HWND edit) {
    GoToDialog dialog(edit);
    return dialog.Run(owner) == IDOK;
}

}  // namespace brevitex
