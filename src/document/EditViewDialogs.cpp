// The dialogs the view owns: find and replace, and the SMS and call commands.
#include <new>

#include "dialogs/FindReplaceDialog.h"
#include "document/EditView.h"

namespace brevitex {

namespace {

// The view's find dialog object, made on first use; null when memory ran out.
FindReplaceDialog* FindDialogOf(FindReplaceDialog*& slot) {
    if (!slot) slot = new (std::nothrow) FindReplaceDialog;
    return slot;
}

}  // namespace

bool EditView::OnFindReplace(WPARAM, LPARAM, LRESULT& result) {
    if (FindReplaceDialog* dialog = FindDialogOf(findDialog_)) dialog->OpenCommand(hwnd_);
    result = 0;
    return true;
}

bool EditView::OnFindNext(WPARAM, LPARAM, LRESULT& result) {
    if (FindReplaceDialog* dialog = FindDialogOf(findDialog_)) dialog->FindNextCommand(hwnd_);
    result = 0;
    return true;
}

// Waiting for the SMS dialog: the command does nothing yet.
bool EditView::OnSendSms(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    return true;
}

// Waiting for the call command: it does nothing yet.
bool EditView::OnCallNumber(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    return true;
}

void EditView::DestroyDialogs() {
    delete findDialog_;
    findDialog_ = nullptr;
}

}  // namespace brevitex
