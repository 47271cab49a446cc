// The edit-command table and its runner.
#include "document/EditCommands.h"

#include <richedit.h>

#include "resources/resource.h"

namespace brevitex {

const EditCommand kEditCommands[] = {
    {ID_EDIT_CLEAR, 1, {{WM_CLEAR, 0, 0}}},
    {ID_EDIT_CLEAR_ALL, 3, {{EM_SETSEL, 0, -1}, {EM_SCROLLCARET, 0, 0}, {WM_CLEAR, 0, 0}}},
    {ID_EDIT_COPY, 1, {{WM_COPY, 0, 0}}},
    {ID_EDIT_CUT, 1, {{WM_CUT, 0, 0}}},
    {ID_EDIT_PASTE, 1, {{WM_PASTE, 0, 0}}},
    {ID_EDIT_SELECT_ALL, 2, {{EM_SETSEL, 0, -1}, {EM_SCROLLCARET, 0, 0}}},
    {ID_EDIT_UNDO, 1, {{EM_UNDO, 0, 0}}},
    {ID_EDIT_REDO, 1, {{EM_REDO, 0, 0}}},
};

const int kEditCommandCount = static_cast<int>(sizeof(kEditCommands) / sizeof(kEditCommands[0]));

const EditCommand* FindEditCommand(UINT id) {
    for (const EditCommand& command : kEditCommands) {
        if (command.id == id) return &command;
    }
    return nullptr;
}

bool RunEditCommand(HWND edit, UINT id, bool withRedo) {
    if (id == ID_EDIT_REDO && !withRedo) return false;
    const EditCommand* command = FindEditCommand(id);
    if (!command) return false;
    for (int i = 0; i < command->count; ++i) {
        const EditMessage& step = command->messages[i];
        SendMessageW(edit, step.message, step.wParam, step.lParam);
    }
    return true;
}

}  // namespace brevitex
