// The edit commands shared by the view and the dialog edit boxes: each command
// id becomes one or more messages sent to the edit window itself, so they pass
// through the window's own message handling again.
#pragma once

#include <windows.h>

namespace brevitex {

struct EditMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct EditCommand {
    UINT id;
    int count;
    EditMessage messages[3];
};

extern const EditCommand kEditCommands[];
extern const int kEditCommandCount;

// The table entry of an id, or null.
const EditCommand* FindEditCommand(UINT id);

// Sends the messages of an edit command to the window. False when the id is
// not an edit command, or is redo and withRedo is false.
bool RunEditCommand(HWND edit, UINT id, bool withRedo);

}  // namespace brevitex
