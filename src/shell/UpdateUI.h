// The frame's UI-update state: a fixed table of the commands whose menu items
// and toolbar buttons follow the document, one state word per item, filled on
// every idle pass and applied to a popup when it opens and to the toolbars at
// the end of the pass.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/CommandState.h"

namespace brevitex {

class UpdateUI : public CommandStateSink {
public:
    // Where an item is brought up to date.
    enum Target : uint16_t { kMenu = 0x1, kToolBar = 0x2 };

    struct Item {
        UINT id;
        uint16_t targets;
    };

    UpdateUI();

    // Records a state; a change marks the item's targets for update.
    void Enable(UINT id, bool on) override;
    void Check(UINT id, bool on) override;

    // The stored state of a command of the table (false for other ids).
    bool IsEnabled(UINT id) const;
    bool IsChecked(UINT id) const;

    // Applies every menu item of the table to a menu (by command id, submenus included).
    void ApplyToMenu(HMENU menu);

    // Toolbars whose buttons follow the table; pending changes go to them.
    void AddToolBar(HWND toolbar);
    void ApplyToToolBars();

    static const Item kItems[];
    static const size_t kItemCount;

private:
    enum StateBit : uint16_t {
        kDisabled = 0x1,
        kChecked = 0x2,
        kMenuPending = 0x100,
        kToolBarPending = 0x200,
    };

    int IndexOf(UINT id) const;
    void SetBit(UINT id, uint16_t bit, bool set);

    std::vector<uint16_t> states_;
    std::vector<HWND> toolbars_;
};

}  // namespace brevitex
