// The device screen: the rectangle of the desktop that stands for the
// handheld's screen, and the per-thread placement of new top-level windows on it.
#include <cwchar>
#include <cwctype>

#include "common/DeviceShell.h"

namespace brevitex {

namespace {

constexpr int kDefaultWidth = 480;
constexpr int kDefaultHeight = 640;
constexpr int kMinSide = 160;
constexpr int kMaxSide = 4096;
constexpr int kMenuBarHeightAt96Dpi = 28;

// Reads a positive decimal number; advances the cursor past it.
bool ReadSide(const wchar_t*& cursor, int* value) {
    if (!std::iswdigit(*cursor)) return false;
    long long number = 0;
    while (std::iswdigit(*cursor)) {
        number = number * 10 + (*cursor - L'0');
        if (number > kMaxSide) return false;
        ++cursor;
    }
    *value = static_cast<int>(number);
    return number >= kMinSide;
}

// BREVITEX_SCREEN=WxH; anything else gives the default size.
SIZE ScreenSize() {
    wchar_t text[64] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_SCREEN", text, 64);
    SIZE size{kDefaultWidth, kDefaultHeight};
    if (length == 0 || length >= 64) return size;
    const wchar_t* cursor = text;
    int width = 0;
    int height = 0;
    if (!ReadSide(cursor, &width)) return size;
    if (*cursor != L'x' && *cursor != L'X') return size;
    ++cursor;
    if (!ReadSide(cursor, &height) || *cursor != 0) return size;
    return SIZE{width, height};
}

// Per-thread placement hook installed by DeviceAttachThread.
thread_local HHOOK t_placementHook = nullptr;
thread_local int t_attachCount = 0;

bool IsUsingDefaultPlacement(const CREATESTRUCTW* create) {
    return create->x == CW_USEDEFAULT || create->cx == CW_USEDEFAULT;
}

LRESULT CALLBACK PlacementHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        // Top-level windows the program lets the system place get the device's
        // work area, as they would on the device.
        if (create && !(create->style & WS_CHILD) && IsUsingDefaultPlacement(create)) {
            RECT area = DeviceWorkArea();
            create->x = area.left;
            create->y = area.top;
            create->cx = area.right - area.left;
            create->cy = area.bottom - area.top;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

RECT DeviceScreenRect() {
    RECT work{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) work = RECT{0, 0, 0, 0};
    SIZE size = ScreenSize();
    return RECT{work.left, work.top, work.left + size.cx, work.top + size.cy};
}

int DeviceMenuBarHeight() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    if (dpi <= 0) dpi = 96;
    return MulDiv(kMenuBarHeightAt96Dpi, dpi, 96);
}

RECT DeviceWorkArea() {
    RECT area = DeviceScreenRect();
    area.bottom -= DeviceMenuBarHeight();
    return area;
}

bool DeviceAttachThread() {
    if (t_attachCount == 0) {
        t_placementHook = SetWindowsHookExW(WH_CBT, PlacementHook, nullptr, GetCurrentThreadId());
        if (!t_placementHook) return false;
    }
    ++t_attachCount;
    return true;
}

void DeviceDetachThread() {
    if (t_attachCount == 0) return;
    if (--t_attachCount == 0 && t_placementHook) {
        UnhookWindowsHookEx(t_placementHook);
        t_placementHook = nullptr;
    }
}

}  // namespace brevitex
