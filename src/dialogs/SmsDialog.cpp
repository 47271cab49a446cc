// The short-message dialog: placement of the selection, the character
// counter, sending, and both forms of the dialog.
#include "dialogs/SmsDialog.h"

#include "device/DeviceShell.h"
#include "dialogs/DialogFrame.h"
#include "dialogs/PhoneServices.h"
#include "document/EditQueries.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

const LayoutRow SmsDialog::kLayoutTable[] = {
    {IDC_SMS_NUMBER, kLayoutStretchX},
    {IDC_SMS_MESSAGE, kLayoutStretchX | kLayoutStretchY},
    {IDC_SMS_COUNTER, kLayoutStretchX},
    kLayoutEnd,
};

const MessageMapEntry<SmsDialog> SmsDialog::kMap[] = {
    BX_MESSAGE(WM_INITDIALOG, OnInitDialog),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_COMMAND_CODE(IDC_SMS_MESSAGE, EN_CHANGE, OnMessageChange),
    BX_COMMAND(IDOK, OnSend),
    BX_COMMAND(IDCANCEL, OnCancel),
    BX_MESSAGE(WM_SIZE, OnSize),
    BX_MESSAGE(WM_DESTROY, OnDestroy),
};

bool SmsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool SmsDialog::IsPhoneNumber(const wchar_t* text) {
    // One character is never taken for a number, though it may be sent to.
    return IsSendableNumber(text) && text[1] != 0;
}

void SmsDialog::Prepare(HWND editControl, bool modal) {
    modal_ = modal ? TRUE : FALSE;
    if (!IsWindow(editControl) || !SelectedLineText(editControl, initialText_)) initialText_.Empty();
}

INT_PTR SmsDialog::OpenModal(HWND editControl) {
    Prepare(editControl, true);
    return RunModal(editControl, IDD_SMS);
}

int SmsDialog::OpenModeless(HWND editControl) {
    Prepare(editControl, false);
    if (!EnsureModeless(editControl, IDD_SMS)) return 0;
    PlaceInitialText();
    ShowWindow(hwnd_, SW_SHOW);
    SetActiveWindow(hwnd_);
    return 1;
}

void SmsDialog::OpenCommand(HWND editControl) {
    if (IsSmartphonePlatform()) {
        OpenModal(editControl);
    } else {
        OpenModeless(editControl);
    }
}

void SmsDialog::PlaceInitialText() {
    if (initialText_.IsEmpty()) return;
    if (IsPhoneNumber(initialText_)) {
        SetDlgItemTextW(hwnd_, IDC_SMS_NUMBER, initialText_);
        return;
    }
    // A multi-line edit box reports no change for a text set from outside.
    SetDlgItemTextW(hwnd_, IDC_SMS_MESSAGE, initialText_);
    UpdateCounter();
}

void SmsDialog::UpdateCounter() {
    const int length = GetWindowTextLengthW(GetDlgItem(hwnd_, IDC_SMS_MESSAGE));
    WideString text;
    if (text.FormatId(IDS_INFO_CHARS, static_cast<unsigned>(length))) SetDlgItemTextW(hwnd_, IDC_SMS_COUNTER, text);
}

bool SmsDialog::OnInitDialog(WPARAM, LPARAM, LRESULT& result) {
    numberBox_.Subclass(GetDlgItem(hwnd_, IDC_SMS_NUMBER));
    messageBox_.Subclass(GetDlgItem(hwnd_, IDC_SMS_MESSAGE));
    PlaceInitialText();
    if (IsModal()) SetUpSmartphoneForm();
    result = TRUE;
    return true;
}

void SmsDialog::SetUpSmartphoneForm() {
    PassBackKeyToDialog(CreateDialogMenuBar(hwnd_, IDR_OK_CANCEL_BAR, 0));
    layout_.InitLayout(hwnd_);
    RemoveModalFrame(hwnd_);
    InitFullScreenDialog(hwnd_);
}

bool SmsDialog::OnMessageChange(WPARAM, LPARAM, LRESULT& result) {
    UpdateCounter();
    result = 0;
    return true;
}

bool SmsDialog::OnSend(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    const WideString number = WindowTextOf(GetDlgItem(hwnd_, IDC_SMS_NUMBER));
    const WideString text = WindowTextOf(GetDlgItem(hwnd_, IDC_SMS_MESSAGE));
    if (number.IsEmpty() || text.IsEmpty()) return true;
    const HRESULT status = SendTextMessage(number, text, sms_);
    WideString report;
    const bool sent = status >= 0;
    if (!report.Load(sent ? IDS_SMS_SENT : IDS_SMS_FAILED)) report.Empty();
    DeviceMessageBox(hwnd_, report, ApplicationTitle(), sent ? MB_ICONINFORMATION : MB_ICONERROR);
    if (sent) SendMessageW(hwnd_, WM_COMMAND, IDCANCEL, 0);
    return true;
}

}  // namespace brevitex
