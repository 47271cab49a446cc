// Smartphone dialog set-up and the Back key in dialogs.
#include "dialogs/DialogFrame.h"

#include <cwchar>

#include "device/DeviceShell.h"
#include "document/EditQueries.h"
#include "common/Module.h"

namespace brevitex {

WideString WindowTextOf(HWND window) {
    WideString text;
    if (!WindowTextString(window, text)) text.Empty();
    return text;
}

HWND CreateDialogMenuBar(HWND dialog, UINT id, DWORD flags) {
    MenuBarInfo info{};
    info.size = sizeof(MenuBarInfo);
    info.parent = dialog;
    info.flags = flags;
    info.resourceId = id;
    info.instance = ProgramInstance();
    info.bitmapId = 0;
    info.imageCount = 0;
    info.menuBar = nullptr;
    info.background = 0;
    if (!DeviceCreateMenuBar(&info)) return nullptr;
    return info.menuBar;
}

void PassBackKeyToDialog(HWND menuBar) {
    if (menuBar) SendMessageW(menuBar, kMenuBarOverrideKey, kBackKey, kOverrideKeyAllEvents);
}

void InitFullScreenDialog(HWND dialog) {
    DialogInitInfo info{};
    info.mask = 1;
    info.dialog = dialog;
    info.flags = kDialogInitFullScreen;
    DeviceInitDialog(&info);
    DeviceSetNavBarText(dialog, WindowTextOf(dialog));
}

void SetUpSmartphoneDialog(HWND dialog, UINT menuId, DWORD menuFlags) {
    PassBackKeyToDialog(CreateDialogMenuBar(dialog, menuId, menuFlags));
    InitFullScreenDialog(dialog);
}

void RemoveModalFrame(HWND dialog) {
    const LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
    if (exStyle & WS_EX_DLGMODALFRAME) SetWindowLongW(dialog, GWL_EXSTYLE, exStyle & ~WS_EX_DLGMODALFRAME);
}

bool BackKeyInDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam) != kBackKey) return false;
    if (HWND focus = GetFocus()) {
        // Class names longer than seven characters are cut, as the device's buffer does.
        wchar_t name[8] = {};
        GetClassNameW(focus, name, 8);
        if (wcscmp(name, L"Edit") == 0 || wcscmp(name, L"CAPEDIT") == 0) {
            DeviceSendBackToFocusWindow(message, wParam, lParam);
            return true;
        }
    }
    if (LOWORD(lParam) & kHotKeyReleased) SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
}

}  // namespace brevitex
