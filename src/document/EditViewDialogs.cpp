// The dialogs the view owns, find and replace and the short message, and the call command.
#include <new>

#include "dialogs/FindReplaceDialog.h"
#include "dialogs/PhoneServices.h"
#include "dialogs/SmsDialog.h"
#include "document/EditView.h"

namespace brevitex {

namespace {

// A dialog object of the view, made on first use; null when memory ran out.
template <class Dialog>
Dialog* DialogOf(Dialog*& slot) {
    if (!slot) slot = new (std::nothrow) Dialog;
    return slot;
}

}  // namespace

bool EditView::OnFindReplace(WPARAM, LPARAM, LRESULT& result) {
    if (FindReplaceDialog* dialog = DialogOf(findDialog_)) dialog->OpenCommand(hwnd_);
    result = 0;
    return true;
}

bool EditView::OnFindNext(WPARAM, LPARAM, LRESULT& result) {
    if (FindReplaceDialog* dialog = DialogOf(findDialog_)) dialog->FindNextCommand(hwnd_);
    result = 0;
    return true;
}

bool EditView::OnSendSms(WPARAM, LPARAM, LRESULT& result) {
    if (SmsDialog* dialog = DialogOf(smsDialog_)) dialog->OpenCommand(hwnd_);
    result = 0;
    return true;
}

bool EditView::OnCallNumber(WPARAM, LPARAM, LRESULT& result) {
    MakePhoneCall(hwnd_);
    result = 0;
    return true;
}

void EditView::DestroyDialogs() {
    delete findDialog_;
    findDialog_ = nullptr;
    delete smsDialog_;
    smsDialog_ = nullptr;
}

}  // namespace brevitex
