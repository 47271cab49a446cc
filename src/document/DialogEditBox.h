// DialogEditBox: an edit box inside one of the program's dialogs, subclassed
// (WindowBase::Subclass) to get the editor's tap-and-hold context menu, the
// edit commands and the input panel following the focus.
#pragma once

#include <windows.h>

#include "common/Window.h"

namespace brevitex {

class DialogEditBox : public WindowBase {
public:
    using Self = DialogEditBox;

    DialogEditBox() = default;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // Loads the context menu's popup with the item states of this box; the
    // caller destroys the returned menu (the popup is its first submenu).
    HMENU LoadContextMenu() const;

private:
    static const MessageMapEntry<DialogEditBox> kMap[];

    bool IsReadOnly() const;

    bool OnLButtonDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnContextMenu(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFocus(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnKillFocus(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);
};

}  // namespace brevitex
