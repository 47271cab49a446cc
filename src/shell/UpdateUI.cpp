// The UI-update table of the main frame and its application to menus and toolbars.
#include "shell/UpdateUI.h"

#include <commctrl.h>

#include "resources/resource.h"

namespace brevitex {

const UpdateUI::Item UpdateUI::kItems[] = {
    {ID_EDIT_UNDO, kMenu | kToolBar},
    {ID_EDIT_REDO, kMenu | kToolBar},
    {ID_EDIT_CUT, kMenu | kToolBar},
    {ID_EDIT_COPY, kMenu | kToolBar},
    {ID_EDIT_PASTE, kMenu | kToolBar},
    {ID_EDIT_CLEAR, kMenu},
    {ID_EDIT_SELECTMODE, kMenu},
    {ID_EDIT_SELECT_ALL, kMenu},
    {ID_VIEW_READONLY, kMenu},
    {ID_VIEW_WORDWRAP, kMenu},
    {ID_VIEW_TOOLBAR, kMenu},
    {ID_INSERT_LONGDATE, kMenu},
    {ID_INSERT_SHORTDATE, kMenu},
    {ID_INSERT_TIME, kMenu},
    {ID_TOOLS_CALL, kMenu},
};
const size_t UpdateUI::kItemCount = sizeof(kItems) / sizeof(kItems[0]);

UpdateUI::UpdateUI() : states_(kItemCount, 0) {}

int UpdateUI::IndexOf(UINT id) const {
    for (size_t i = 0; i < kItemCount; ++i) {
        if (kItems[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

void UpdateUI::SetBit(UINT id, uint16_t bit, bool set) {
    int index = IndexOf(id);
    if (index < 0) return;
    uint16_t& state = states_[index];
    if (((state & bit) != 0) == set) return;
    state ^= bit;
    if (kItems[index].targets & kMenu) state |= kMenuPending;
    if (kItems[index].targets & kToolBar) state |= kToolBarPending;
}

void UpdateUI::Enable(UINT id, bool on) { SetBit(id, kDisabled, !on); }

void UpdateUI::Check(UINT id, bool on) { SetBit(id, kChecked, on); }

bool UpdateUI::IsEnabled(UINT id) const {
    int index = IndexOf(id);
    return index >= 0 && !(states_[index] & kDisabled);
}

bool UpdateUI::IsChecked(UINT id) const {
    int index = IndexOf(id);
    return index >= 0 && (states_[index] & kChecked);
}

void UpdateUI::ApplyToMenu(HMENU menu) {
    if (!menu) return;
    for (size_t i = 0; i < kItemCount; ++i) {
        if (!(kItems[i].targets & kMenu)) continue;
        uint16_t& state = states_[i];
        EnableMenuItem(menu, kItems[i].id, MF_BYCOMMAND | ((state & kDisabled) ? MF_GRAYED : MF_ENABLED));
        CheckMenuItem(menu, kItems[i].id, MF_BYCOMMAND | ((state & kChecked) ? MF_CHECKED : MF_UNCHECKED));
        state &= ~kMenuPending;
    }
}

void UpdateUI::AddToolBar(HWND toolbar) {
    if (toolbar) toolbars_.push_back(toolbar);
}

void UpdateUI::ApplyToToolBars() {
    for (size_t i = 0; i < kItemCount; ++i) {
        uint16_t& state = states_[i];
        if (!(state & kToolBarPending)) continue;
        for (HWND toolbar : toolbars_) {
            SendMessageW(toolbar, TB_ENABLEBUTTON, kItems[i].id, MAKELPARAM(!(state & kDisabled), 0));
            SendMessageW(toolbar, TB_CHECKBUTTON, kItems[i].id, MAKELPARAM((state & kChecked) != 0, 0));
        }
        state &= ~kToolBarPending;
    }
}

}  // namespace brevitex
