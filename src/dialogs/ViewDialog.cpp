// The two forms of the dialogs a view owns.
#include "dialogs/ViewDialog.h"

#include "dialogs/DialogFrame.h"
#include "common/Module.h"

namespace brevitex {

namespace {

// The window that owns a dialog opened on a control: up through the parents
// of child windows and the owners of the others, to the last one.
HWND DialogOwnerOf(HWND control) {
    HWND last = nullptr;
    for (HWND window = control; window;) {
        last = window;
        window = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : GetWindow(window, GW_OWNER);
    }
    return last;
}

}  // namespace

ViewDialog::~ViewDialog() {
    UnregisterFilter();
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

// Keyboard navigation for the messages of the visible modeless window and its controls.
bool ViewDialog::PreTranslateMessage(MSG* message) {
    if (!hwnd_ || !IsWindowVisible(hwnd_)) return false;
    if (message->hwnd != hwnd_ && !IsChild(hwnd_, message->hwnd)) return false;
    return IsDialogMessageW(hwnd_, message) != FALSE;
}

INT_PTR ViewDialog::RunModal(HWND editControl, UINT templateId) {
    return DoModal(DialogOwnerOf(editControl), templateId, ProgramInstance());
}

bool ViewDialog::EnsureModeless(HWND editControl, UINT templateId) {
    if (hwnd_) return true;
    if (!CreateModeless(DialogOwnerOf(editControl), templateId, ProgramInstance())) return false;
    MessageLoop* loop = ThreadLoop();
    if (loop && loop->AddFilter(this)) filterLoop_ = loop;
    return true;
}

void ViewDialog::UnregisterFilter() {
    if (filterLoop_) filterLoop_->RemoveFilter(this);
    filterLoop_ = nullptr;
}

bool ViewDialog::OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    return BackKeyInDialog(hwnd_, WM_HOTKEY, wParam, lParam);
}

bool ViewDialog::OnCancel(WPARAM, LPARAM, LRESULT& result) {
    if (IsModal()) {
        EndDialog(hwnd_, IDCANCEL);
    } else {
        ShowWindow(hwnd_, SW_HIDE);
    }
    result = 0;
    return true;
}

bool ViewDialog::OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    layout_.OnSize(hwnd_, wParam, lParam);
    result = 0;
    return true;
}

bool ViewDialog::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    UnregisterFilter();
    return false;
}

}  // namespace brevitex
