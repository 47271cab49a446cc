// The dialog frame shared by the program's dialogs on Smartphone: soft-key
// menu bar, Back-key pass-through, full-screen set-up with the navigation-bar
// title, and what the Back key does while a dialog has the focus.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// A window's whole text; empty when it has none (or memory ran out).
WideString WindowTextOf(HWND window);

// Creates the dialog's soft-key menu bar: flags kMenuBarIdIsMenu when id names
// a menu resource, 0 when it names a menu-bar resource. Null on failure.
HWND CreateDialogMenuBar(HWND dialog, UINT id, DWORD flags);

// Has the menu bar drop its own Back action and report press and release to
// its parent as WM_HOTKEY.
void PassBackKeyToDialog(HWND menuBar);

// Sizes the dialog to the full screen (it receives WM_SIZE), lowers the input
// panel and shows the dialog's caption as the navigation-bar title.
void InitFullScreenDialog(HWND dialog);

// The steps every Smartphone dialog without a layout takes at initialisation:
// menu bar, Back key, full screen, title.
void SetUpSmartphoneDialog(HWND dialog, UINT menuId, DWORD menuFlags);

// Removes the modal-frame extended style if the dialog has it.
void RemoveModalFrame(HWND dialog);

// WM_HOTKEY in a dialog: the Back key deletes a character in a focused edit
// field and otherwise cancels the dialog (command 2) on release. False for
// other keys, which are not handled.
bool BackKeyInDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace brevitex
