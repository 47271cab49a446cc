// Pieces shared by the view and the dialog edit boxes: the state of an edit
// control as the command states see it, the context menu resource, and the
// tap-and-hold test on a stylus-down.
#pragma once

#include <windows.h>

namespace brevitex {

struct EditState {
    bool readOnly;       // ES_READONLY
    bool wordWrap;       // ES_WANTRETURN, the view's record of word wrap
    bool selection;      // selection start differs from its end
    bool text;           // window-text length above 0
    bool canUndo;        // EM_CANUNDO
    bool canRedo;        // EM_CANREDO
    bool clipboardText;  // the clipboard holds Unicode text
};

EditState ReadEditState(HWND edit);

// Menu 140 of the program's module ("编辑" is its first popup); null on failure.
HMENU LoadEditMenu();

// Shows a popup at the point of a WM_CONTEXTMENU lParam, owned by a window;
// the chosen command reaches the owner as WM_COMMAND.
void ShowPopupAt(HMENU popup, LPARAM point, HWND owner);

// Asks the shell whether the stylus-down of a WM_LBUTTONDOWN lParam at a
// window is a tap-and-hold.
bool IsTapAndHold(HWND window, LPARAM point);

}  // namespace brevitex
