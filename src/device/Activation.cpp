// Activation and setting-change handling: a window remembers whether the input
// panel was up when it lost activation and gets that state back when it is
// activated again, as on the device.
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

constexpr UINT kSetSipInfo = 224;  // SPI_SETSIPINFO

// state[0]: what was saved on deactivation; state[1]: the panel state last seen.
constexpr DWORD kSaved = 0x1;
constexpr DWORD kPanelShown = 0x2;

bool ValidRecord(const ActivateInfo* info) { return info && info->size == sizeof(ActivateInfo); }

DWORD CurrentPanelState() {
    SipInfo sip{};
    return DeviceSipGetInfo(&sip) && sip.shown ? kPanelShown : 0;
}

}  // namespace

bool DeviceHandleActivate(HWND window, WPARAM wParam, LPARAM lParam, ActivateInfo* info) {
    if (!ValidRecord(info) || !IsWindow(window)) return false;
    if (LOWORD(wParam) == WA_INACTIVE) {
        info->state[0] = kSaved | CurrentPanelState();
        info->state[1] = info->state[0] & kPanelShown;
        return true;
    }
    if (info->state[0] & kSaved) {
        bool shown = (info->state[0] & kPanelShown) != 0;
        info->state[0] = 0;
        if (shown != (CurrentPanelState() != 0)) DeviceSipPreference(window, shown ? kSipRaise : kSipLower);
    }
    info->state[1] = CurrentPanelState();
    return true;
}

LRESULT DeviceHandleSettingChange(HWND window, WPARAM wParam, LPARAM lParam, ActivateInfo* info) {
    if (!ValidRecord(info)) return 0;
    if (wParam == kSetSipInfo) info->state[1] = CurrentPanelState();
    return 0;
}

}  // namespace brevitex
