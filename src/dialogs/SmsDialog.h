// SmsDialog: sends a short message (dialog 115, "发送短信") with a phone number
// and a message text, through the device's "sms.dll". The view owns one for
// its whole life. On Pocket PC it is modeless, created on first use and then
// kept, hidden after a send or when closed; on Smartphone it is modal and full
// screen with the OK/Cancel soft keys.
#pragma once

#include <windows.h>

#include "common/WideString.h"
#include "device/DeviceLibrary.h"
#include "dialogs/ViewDialog.h"
#include "document/DialogEditBox.h"

namespace brevitex {

class SmsDialog : public ViewDialog {
public:
    using Self = SmsDialog;

    // Sends through the given library (the process's "sms.dll" by default).
    explicit SmsDialog(DeviceLibrary& sms = SmsLibrary()) : ViewDialog(kLayoutTable), sms_(sms) {}

    // Smartphone: runs the dialog modally on the edit control's selection.
    // 2 when it ended (after a send, "取消" or Back), -1 on failure.
    INT_PTR OpenModal(HWND editControl);
    // Pocket PC: creates the window on first use, places the selection and
    // shows the window. 1, or 0 when the window could not be created.
    int OpenModeless(HWND editControl);
    // The view's "发送短信...": the form of the platform.
    void OpenCommand(HWND editControl);

    // Where a text goes: true for a phone number (more than one character,
    // digits after an optional leading "+"), false for message text.
    static bool IsPhoneNumber(const wchar_t* text);

    bool IsModal() const override { return modal_ != FALSE; }
    const WideString& InitialText() const { return initialText_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageMapEntry<SmsDialog> kMap[];
    static const LayoutRow kLayoutTable[];

    void Prepare(HWND editControl, bool modal);
    // Puts the initial text into the number or the message box.
    void PlaceInitialText();
    void UpdateCounter();
    void SetUpSmartphoneForm();

    bool OnInitDialog(WPARAM, LPARAM, LRESULT& result);
    bool OnMessageChange(WPARAM, LPARAM, LRESULT& result);
    bool OnSend(WPARAM, LPARAM, LRESULT& result);

    BOOL modal_ = FALSE;
    WideString initialText_;
    DialogEditBox numberBox_;
    DialogEditBox messageBox_;
    DeviceLibrary& sms_;
};

}  // namespace brevitex
