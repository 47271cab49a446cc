// The dialog edit box's message table.
#include "document/DialogEditBox.h"

#include "device/DeviceShell.h"
#include "document/EditCommands.h"
#include "document/EditMenu.h"
#include "resources/resource.h"

namespace brevitex {

const MessageMapEntry<DialogEditBox> DialogEditBox::kMap[] = {
    BX_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown),
    BX_MESSAGE(WM_CONTEXTMENU, OnContextMenu),
    BX_MESSAGE(WM_SETFOCUS, OnSetFocus),
    BX_MESSAGE(WM_KILLFOCUS, OnKillFocus),
    BX_ANY_COMMAND(OnCommand),
};

bool DialogEditBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool DialogEditBox::IsReadOnly() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0; }

bool DialogEditBox::OnLButtonDown(WPARAM, LPARAM lParam, LRESULT& result) {
    if (!IsTapAndHold(hwnd_, lParam)) return false;
    result = 0;
    return true;
}

HMENU DialogEditBox::LoadContextMenu() const {
    HMENU menu = LoadEditMenu();
    if (!menu) return nullptr;
    HMENU popup = GetSubMenu(menu, 0);
    EditState state = ReadEditState(hwnd_);
    auto gray = [popup](UINT id, bool grayed) {
        EnableMenuItem(popup, id, MF_BYCOMMAND | (grayed ? MF_GRAYED : MF_ENABLED));
    };
    gray(ID_EDIT_CUT, state.readOnly || !state.selection);
    gray(ID_EDIT_COPY, !state.selection);
    gray(ID_EDIT_CLEAR, state.readOnly || !state.selection);
    gray(ID_EDIT_UNDO, !state.canUndo);
    gray(ID_EDIT_PASTE, state.readOnly || !state.clipboardText);
    gray(ID_EDIT_SELECT_ALL, !state.text);
    DeleteMenu(popup, ID_EDIT_REDO, MF_BYCOMMAND);
    return menu;
}

bool DialogEditBox::OnContextMenu(WPARAM, LPARAM lParam, LRESULT& result) {
    if (HMENU menu = LoadContextMenu()) {
        ShowPopupAt(GetSubMenu(menu, 0), lParam, hwnd_);
        DestroyMenu(menu);
    }
    result = 0;
    return true;
}

bool DialogEditBox::OnSetFocus(WPARAM, LPARAM, LRESULT&) {
    if (!IsReadOnly()) DeviceSipPreference(hwnd_, kSipRaise);
    return false;
}

bool DialogEditBox::OnKillFocus(WPARAM, LPARAM, LRESULT&) {
    if (!IsReadOnly()) DeviceSipPreference(hwnd_, kSipLower);
    return false;
}

bool DialogEditBox::OnCommand(WPARAM wParam, LPARAM, LRESULT& result) {
    if (!RunEditCommand(hwnd_, LOWORD(wParam), false)) return false;
    result = 0;
    return true;
}

}  // namespace brevitex
