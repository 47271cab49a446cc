// Edit-control state, the edit context menu and the tap-and-hold test.
#include "document/EditMenu.h"

#include <richedit.h>

#include "device/DeviceShell.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

EditState ReadEditState(HWND edit) {
    EditState state{};
    LONG style = GetWindowLongW(edit, GWL_STYLE);
    state.readOnly = (style & ES_READONLY) != 0;
    state.wordWrap = (style & ES_WANTRETURN) != 0;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    state.selection = start != end;
    state.text = GetWindowTextLengthW(edit) > 0;
    state.canUndo = SendMessageW(edit, EM_CANUNDO, 0, 0) != 0;
    state.canRedo = SendMessageW(edit, EM_CANREDO, 0, 0) != 0;
    state.clipboardText = IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
    return state;
}

HMENU LoadEditMenu() { return LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(IDR_EDIT_POPUP)); }

void ShowPopupAt(HMENU popup, LPARAM point, HWND owner) {
    if (!popup) return;
    int x = static_cast<short>(LOWORD(point));
    int y = static_cast<short>(HIWORD(point));
    TrackPopupMenu(popup, 0, x, y, 0, owner, nullptr);
}

bool IsTapAndHold(HWND window, LPARAM point) {
    GestureInfo info{};
    info.size = sizeof(info);
    info.window = window;
    info.point = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    info.flags = kGestureReturnResult;
    return DeviceRecognizeGesture(&info) != 0;
}

}  // namespace brevitex
