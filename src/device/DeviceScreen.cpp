// The device screen: the rectangle of the desktop that stands for the
// handheld's screen, and the per-thread placement of new top-level windows,
// dialogs, message boxes and menus on it.
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

bool IsClass(HWND window, const wchar_t* className) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && wcscmp(name, className) == 0;
}

bool LiesOnScreen(HWND window) {
    RECT rect{};
    RECT screen = DeviceScreenRect();
    RECT both{};
    return GetWindowRect(window, &rect) && IntersectRect(&both, &rect, &screen) && EqualRect(&both, &rect);
}

constexpr wchar_t kMenuProcProperty[] = L"BrevitexMenuProc";

// The visible menu window of this thread that a submenu at `x` opens from.
HWND ParentMenuAt(HWND self, int x, int y) {
    struct Search {
        HWND self;
        POINT point;
        HWND found;
    } search{self, POINT{x - 2, y + 2}, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto* find = reinterpret_cast<Search*>(context);
            RECT rect{};
            if (window != find->self && IsWindowVisible(window) && IsClass(window, L"#32768") &&
                GetWindowRect(window, &rect) && PtInRect(&rect, find->point)) {
                find->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Keeps a menu window on the device screen above the soft-key bar, as the
// device's menus open: one that would leave it on the right opens to the left
// of the menu it belongs to, and any other overflow is pushed back inside.
void KeepMenuOnScreen(HWND menu, WINDOWPOS* pos) {
    if ((pos->flags & SWP_NOMOVE) && (pos->flags & SWP_NOSIZE)) return;
    RECT now{};
    GetWindowRect(menu, &now);
    const int cx = (pos->flags & SWP_NOSIZE) ? now.right - now.left : pos->cx;
    const int cy = (pos->flags & SWP_NOSIZE) ? now.bottom - now.top : pos->cy;
    int x = (pos->flags & SWP_NOMOVE) ? now.left : pos->x;
    int y = (pos->flags & SWP_NOMOVE) ? now.top : pos->y;
    const RECT screen = DeviceScreenRect();
    const RECT above = DeviceWorkArea();
    if (x + cx > screen.right) {
        RECT parent{};
        HWND from = ParentMenuAt(menu, x, y);
        if (from && GetWindowRect(from, &parent) && parent.left - cx >= screen.left) x = parent.left - cx;
    }
    x = (std::max)(static_cast<int>(screen.left), (std::min)(x, static_cast<int>(screen.right) - cx));
    y = (std::max)(static_cast<int>(above.top), (std::min)(y, static_cast<int>(above.bottom) - cy));
    if (x == ((pos->flags & SWP_NOMOVE) ? now.left : pos->x) && y == ((pos->flags & SWP_NOMOVE) ? now.top : pos->y)) {
        return;
    }
    pos->x = x;
    pos->y = y;
    pos->flags &= ~SWP_NOMOVE;
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kMenuProcProperty));
    if (message == WM_WINDOWPOSCHANGING) KeepMenuOnScreen(window, reinterpret_cast<WINDOWPOS*>(lParam));
    if (message == WM_NCDESTROY && original) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, kMenuProcProperty);
    }
    return original ? CallWindowProcW(original, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

void FollowMenuWindow(HWND window) {
    if (GetPropW(window, kMenuProcProperty)) return;
    LONG_PTR original = GetWindowLongPtrW(window, GWLP_WNDPROC);
    if (!original || !SetPropW(window, kMenuProcProperty, reinterpret_cast<HANDLE>(original))) return;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MenuWindowProc));
}

thread_local UINT_PTR t_raiseTimer = 0;
constexpr UINT kRaiseDelayMs = 30;

void CALLBACK RaisePanelLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    t_raiseTimer = 0;
    DeviceKeepInputPanelOnTop();
}

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        // A dialog the system placed off the device screen comes over its owner.
        HWND window = reinterpret_cast<HWND>(wParam);
        if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD) && IsClass(window, L"#32770") && !LiesOnScreen(window)) {
            DevicePlaceOverOwner(window, GetWindow(window, GW_OWNER));
        }
        // Once the activated window has been shown and painted (a timer comes
        // after both), the input panel is raised above it again.
        if (!t_raiseTimer) t_raiseTimer = SetTimer(nullptr, 0, kRaiseDelayMs, RaisePanelLater);
    } else if (code == HCBT_CREATEWND && IsClass(reinterpret_cast<HWND>(wParam), L"#32768")) {
        FollowMenuWindow(reinterpret_cast<HWND>(wParam));
    } else if (code == HCBT_CREATEWND) {
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

void DevicePlaceOverOwner(HWND window, HWND owner) {
    RECT screen = DeviceScreenRect();
    RECT around = screen;
    if (owner && IsWindow(owner)) {
        GetWindowRect(owner, &around);
        IntersectRect(&around, &around, &screen);
        if (IsRectEmpty(&around)) around = screen;
    }
    RECT self{};
    GetWindowRect(window, &self);
    const int width = (std::min)(static_cast<int>(self.right - self.left), static_cast<int>(screen.right - screen.left));
    const int height = (std::min)(static_cast<int>(self.bottom - self.top), static_cast<int>(screen.bottom - screen.top));
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    x = (std::max)(static_cast<int>(screen.left), (std::min)(x, static_cast<int>(screen.right) - width));
    y = (std::max)(static_cast<int>(screen.top), (std::min)(y, static_cast<int>(screen.bottom) - height));
    SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

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
