// The dialogs the view owns: find and replace, and the SMS and call commands.
#include "document/EditView.h"

namespace brevitex {

// Waiting for the find/replace dialog: the command does nothing yet.
bool EditView::OnFindReplace(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    return true;
}

// Waiting for the find/replace dialog: the command does nothing yet.
bool EditView::OnFindNext(WPARAM, LPARAM, LRESULT& result) {
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

// No dialog is created before the dialogs arrive, so there is nothing to free.
void EditView::DestroyDialogs() {}

}  // namespace brevitex
