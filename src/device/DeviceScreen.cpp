// The device screen: the rectangle of the desktop that stands for the
// handheld's screen, and the per-thread placement of new top-level windows on it.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <vector>

#include "common/Window.h"
#include "device/DeviceShell.h"

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

// The size the system gives a top-level window created with CW_USEDEFAULT.
// Some systems resolve CW_USEDEFAULT before the creation hook runs, so the
// hook recognises such a window by this size as well.
SIZE g_defaultSize{-1, -1};

void ProbeDefaultSize() {
    static std::once_flag once;
    std::call_once(once, [] {
        const wchar_t kProbeClass[] = L"BrevitexPlacementProbe";
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kProbeClass;
        RegisterClassExW(&wc);
        HWND probe = CreateWindowExW(0, kProbeClass, L"", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, wc.hInstance, nullptr);
        if (!probe) return;
        RECT rect{};
        GetWindowRect(probe, &rect);
        DestroyWindow(probe);
        g_defaultSize = SIZE{rect.right - rect.left, rect.bottom - rect.top};
    });
}

bool IsUsingDefaultPlacement(const CREATESTRUCTW* create) {
    if (create->x == CW_USEDEFAULT || create->cx == CW_USEDEFAULT) return true;
    return create->cx == g_defaultSize.cx && create->cy == g_defaultSize.cy;
}

// Per-thread placement hooks installed by DeviceAttachThread.
thread_local HHOOK t_creationHook = nullptr;
thread_local HHOOK t_messageHook = nullptr;
thread_local int t_attachCount = 0;
// Windows being created that still have to be put on the device's work area.
thread_local std::vector<HWND> t_toPlace;

bool Forget(HWND window) {
    auto it = std::find(t_toPlace.begin(), t_toPlace.end(), window);
    if (it == t_toPlace.end()) return false;
    t_toPlace.erase(it);
    return true;
}

void StopMessageHook() {
    if (!t_messageHook) return;
    UnhookWindowsHookEx(t_messageHook);
    t_messageHook = nullptr;
}

LRESULT CALLBACK MessageHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    bool placed = code == HC_ACTION && call->message == WM_CREATE && Forget(call->hwnd);
    if (placed) {
        RECT area = DeviceWorkArea();
        RECT rect{};
        GetWindowRect(call->hwnd, &rect);
        if (!EqualRect(&rect, &area)) {
            SetWindowPos(call->hwnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (placed && t_toPlace.empty()) StopMessageHook();
    return result;
}

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        // Overlapped windows the program lets the system place get the device's
        // work area, as they would on the device; popups keep their own placement.
        if (create && !(create->style & (WS_CHILD | WS_POPUP)) && IsUsingDefaultPlacement(create)) {
            RECT area = DeviceWorkArea();
            create->x = area.left;
            create->y = area.top;
            create->cx = area.right - area.left;
            create->cy = area.bottom - area.top;
            // Some systems ignore the changed values: the window is moved again
            // when its WM_CREATE arrives, before its own handling runs. That
            // message hook is costly, so it is there only while it is needed.
            t_toPlace.push_back(reinterpret_cast<HWND>(wParam));
            if (!t_messageHook) {
                t_messageHook = SetWindowsHookExW(WH_CALLWNDPROC, MessageHook, nullptr, GetCurrentThreadId());
            }
        }
    } else if (code == HCBT_DESTROYWND) {
        if (Forget(reinterpret_cast<HWND>(wParam)) && t_toPlace.empty()) StopMessageHook();
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
    SetDialogCreators(DeviceDialogBoxParam, DeviceCreateDialogParam);
    if (t_attachCount == 0) {
        ProbeDefaultSize();
        t_creationHook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
        if (!t_creationHook) return false;
    }
    ++t_attachCount;
    return true;
}

void DeviceDetachThread() {
    if (t_attachCount == 0) return;
    if (--t_attachCount > 0) return;
    UnhookWindowsHookEx(t_creationHook);
    t_creationHook = nullptr;
    StopMessageHook();
    t_toPlace.clear();
}

}  // namespace brevitex
