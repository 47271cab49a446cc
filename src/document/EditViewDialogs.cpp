// The dialogs the view owns, find and replace and the short message, and the call command.
#include <memory>
#include <new>

#include "dialogs/FindReplaceDialog.h"
#include "dialogs/PhoneServices.h"
#include "dialogs/SmsDialog.h"
#include "document/EditView.h"

namespace brevitex {

namespace {

// A dialog object of the view, made on first use; null when memory ran out.
template <class Dialog, class Deleter>
Dialog* DialogOf(std::unique_ptr<Dialog, Deleter>& slot) {
    if (!slot) slot.reset(new (std::nothrow) Dialog);
    return slot.get();
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

void EditView::DialogDeleter::operator()(FindReplaceDialog* dialog) const { delete dialog; }

void EditView::DialogDeleter::operator()(SmsDialog* dialog) const { delete dialog; }

void EditView::DestroyDialogs() {
    findDialog_.reset();
    smsDialog_.reset();
}

}  // namespace brevitex
