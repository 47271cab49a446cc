// The soft-key bar: creation from a menu or menu-bar resource, drawing, the
// soft-key popups and the thread's key routing to the bar and its parent.
#include "device/MenuBar.h"

#include <algorithm>
#include <mutex>

#include "common/Subclass.h"

namespace brevitex {

namespace {

const wchar_t kClassName[] = L"BrevitexMenuBar";

// Bar-private message: press soft key wParam (posted by the key routing).
constexpr UINT kPressSoftKey = WM_USER + 410;

constexpr WORD kNoSubMenu = 0xFFFF;
constexpr int kWordsPerButton = 7;
constexpr int kMaxSoftKeys = 2;

constexpr COLORREF kBarColour = RGB(36, 40, 48);
constexpr COLORREF kPressedColour = RGB(64, 96, 150);
constexpr COLORREF kEdgeColour = RGB(96, 104, 120);
constexpr COLORREF kTextColour = RGB(255, 255, 255);
constexpr COLORREF kDisabledColour = RGB(128, 132, 140);

// The bars living on this thread and the thread's key hook while there are any.
thread_local std::vector<MenuBar*> t_bars;
thread_local HHOOK t_keyHook = nullptr;
// Set while a soft-key popup runs its modal loop on this thread.
thread_local bool t_tracking = false;

bool RegisterBarClass() {
    static std::once_flag once;
    static bool registered = false;
    std::call_once(once, [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WindowBase::StartWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    });
    return registered;
}

bool InMenuMode() {
    if (t_tracking) return true;
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetCurrentThreadId(), &info) && (info.flags & GUI_INMENUMODE);
}

HFONT CreateBarFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    // A little larger than menu text, at normal weight so the Chinese strokes stay apart.
    LOGFONTW font = metrics.lfMenuFont;
    font.lfHeight = font.lfHeight * 5 / 4;
    font.lfWeight = FW_NORMAL;
    return CreateFontIndirectW(&font);
}

}  // namespace

MenuBar::MenuBar(HWND parent, HMENU menu) : parent_(parent), menu_(menu), font_(CreateBarFont()) {}

bool MenuBar::Create(MenuBarInfo* info) {
    if (!info || !IsWindow(info->parent)) return false;
    info->menuBar = nullptr;
    if (!RegisterBarClass()) return false;
    HINSTANCE instance = info->instance ? info->instance : GetModuleHandleW(nullptr);
    HMENU menu = LoadSoftKeyMenu(instance, info->resourceId, (info->flags & kMenuBarIdIsMenu) != 0);
    if (!menu) return false;

    // A window has one bar: a new one replaces the old.
    void* old = nullptr;
    if (FindSubclass(info->parent, ParentProc, 0, &old)) DestroyWindow(static_cast<MenuBar*>(old)->Handle());

    auto* bar = new MenuBar(info->parent, menu);
    RECT screen = DeviceScreenRect();
    int height = DeviceMenuBarHeight();
    HWND hwnd = bar->CreateBound(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP,
                                 screen.left, screen.bottom - height, screen.right - screen.left, height,
                                 info->parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) {
        delete bar;
        return false;
    }
    bar->created_ = true;
    bar->Register();
    bar->HookParent();
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    info->menuBar = hwnd;
    return true;
}

HMENU MenuBar::LoadSoftKeyMenu(HINSTANCE instance, UINT id, bool idIsMenu) {
    if (idIsMenu) return LoadMenuW(instance, MAKEINTRESOURCEW(id));
    return LoadMenuBarResource(instance, id);
}

HMENU MenuBar::LoadMenuBarResource(HINSTANCE instance, UINT id) {
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_RCDATA);
    if (!resource) return nullptr;
    HGLOBAL loaded = LoadResource(instance, resource);
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    DWORD wordCount = SizeofResource(instance, resource) / sizeof(WORD);
    if (!words || wordCount < 2) return nullptr;
    WORD menuId = words[0];
    WORD buttons = std::min<WORD>(words[1], kMaxSoftKeys);
    if (wordCount < 2 + static_cast<DWORD>(buttons) * kWordsPerButton) return nullptr;

    UniqueMenu bar(CreateMenu());
    if (!bar) return nullptr;
    UniqueMenu source;
    std::vector<int> taken;  // popups of `source` now owned by `bar`
    bool ok = true;
    for (int i = 0; i < buttons && ok; ++i) {
        const WORD* button = words + 2 + i * kWordsPerButton;
        WORD command = button[1];
        WORD stringId = button[4];
        WORD subMenu = button[6];
        wchar_t text[128] = {};
        LoadStringW(instance, stringId, text, 128);
        if (subMenu == kNoSubMenu) {
            ok = AppendMenuW(bar.Get(), MF_STRING, command, text) != FALSE;
            continue;
        }
        if (!source) source.Reset(LoadMenuW(instance, MAKEINTRESOURCEW(menuId)));
        HMENU popup = source ? GetSubMenu(source.Get(), subMenu) : nullptr;
        ok = popup && std::find(taken.begin(), taken.end(), subMenu) == taken.end() &&
             AppendMenuW(bar.Get(), MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text);
        if (ok) taken.push_back(subMenu);
    }
    if (source) {
        // Detach the popups the bar took (highest position first) so they are not destroyed twice.
        std::sort(taken.rbegin(), taken.rend());
        for (int position : taken) RemoveMenu(source.Get(), position, MF_BYPOSITION);
    }
    if (!ok) return nullptr;
    return bar.Release();
}

// ---- Thread registry and key routing ------------------------------------------

void MenuBar::Register() {
    t_bars.push_back(this);
    if (!t_keyHook) t_keyHook = SetWindowsHookExW(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
}

void MenuBar::Unregister() {
    auto it = std::find(t_bars.begin(), t_bars.end(), this);
    if (it == t_bars.end()) return;
    t_bars.erase(it);
    if (t_bars.empty() && t_keyHook) {
        UnhookWindowsHookEx(t_keyHook);
        t_keyHook = nullptr;
    }
}

LRESULT CALLBACK MenuBar::KeyHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        auto* message = reinterpret_cast<MSG*>(lParam);
        bool isKey = message->message == WM_KEYDOWN || message->message == WM_KEYUP;
        if (isKey && message->hwnd && !InMenuMode()) {
            HWND root = GetAncestor(message->hwnd, GA_ROOT);
            for (MenuBar* bar : t_bars) {
                if (bar->parent_ == root) {
                    bar->TranslateKey(message, (wParam & PM_REMOVE) != 0);
                    break;
                }
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

const MenuBar::KeyOverride* MenuBar::FindOverride(UINT key) const {
    for (const KeyOverride& entry : overrides_) {
        if (entry.key == key) return &entry;
    }
    return nullptr;
}

bool MenuBar::TranslateKey(MSG* message, bool removing) {
    UINT key = static_cast<UINT>(message->wParam);
    bool down = message->message == WM_KEYDOWN;
    if (key == VK_F1 || key == VK_F2) {
        int index = key == VK_F1 ? 0 : 1;
        if (index >= SoftKeyCount()) return false;
        if (down) {
            message->hwnd = hwnd_;
            message->message = kPressSoftKey;
            message->wParam = static_cast<WPARAM>(index);
            message->lParam = 0;
        } else {
            message->message = WM_NULL;
        }
        return true;
    }
    const KeyOverride* entry = FindOverride(key);
    if (!entry || (!entry->notify && !entry->noDefault)) return false;
    LPARAM hotKey = MAKELPARAM(down ? 0 : kHotKeyReleased, key);
    if (entry->notify && entry->noDefault) {
        // The key itself becomes the notification, so it keeps its place in the queue.
        message->hwnd = parent_;
        message->message = WM_HOTKEY;
        message->wParam = key;
        message->lParam = hotKey;
    } else if (entry->notify) {
        if (removing) PostMessageW(parent_, WM_HOTKEY, key, hotKey);
    } else {
        message->message = WM_NULL;
    }
    return true;
}

// ---- Following the parent -------------------------------------------------------

// The bar follows its parent through a subclass whose data is the bar.
void MenuBar::HookParent() { AddSubclass(parent_, ParentProc, 0, this); }

void MenuBar::UnhookParent() {
    void* bar = nullptr;
    if (FindSubclass(parent_, ParentProc, 0, &bar) && bar == this) RemoveSubclass(parent_, ParentProc, 0);
}

LRESULT MenuBar::ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, void* data) {
    if (message == WM_WINDOWPOSCHANGED) {
        // The bar is shown and hidden with its parent.
        auto* bar = static_cast<MenuBar*>(data);
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (position && (position->flags & SWP_SHOWWINDOW)) ShowWindow(bar->Handle(), SW_SHOWNOACTIVATE);
        if (position && (position->flags & SWP_HIDEWINDOW)) ShowWindow(bar->Handle(), SW_HIDE);
    }
    return CallNextSubclass(hwnd, message, wParam, lParam);
}

// ---- Soft keys -------------------------------------------------------------------

int MenuBar::SoftKeyCount() const {
    int count = menu_ ? GetMenuItemCount(menu_.Get()) : 0;
    return std::clamp(count, 0, kMaxSoftKeys);
}

RECT MenuBar::SoftKeyRect(int index) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    int middle = (client.left + client.right) / 2;
    if (index == 0) client.right = middle;
    else client.left = middle;
    return client;
}

void MenuBar::PressSoftKey(int index) {
    // A disabled parent (a modal dialog is up over it) takes no soft-key presses.
    if (t_tracking || index < 0 || index >= SoftKeyCount() || !IsWindowEnabled(parent_)) return;
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu_.Get(), index, TRUE, &item) || (item.fState & MFS_DISABLED)) return;
    if (!item.hSubMenu) {
        PostMessageW(parent_, WM_COMMAND, MAKEWPARAM(item.wID, 0), 0);
        return;
    }
    RECT bar{};
    GetWindowRect(hwnd_, &bar);
    pressed_ = index;
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    UINT flags = TPM_BOTTOMALIGN | TPM_LEFTBUTTON | (index == 0 ? TPM_LEFTALIGN : TPM_RIGHTALIGN);
    HWND self = hwnd_;
    // The popup closes properly on a click elsewhere only when its owner is in the foreground.
    if (GetForegroundWindow() != parent_) SetForegroundWindow(parent_);
    t_tracking = true;
    TrackPopupMenuEx(item.hSubMenu, flags, index == 0 ? bar.left : bar.right, bar.top, parent_, nullptr);
    t_tracking = false;
    // The parent, and with it the bar, may have gone while the popup was open.
    if (!IsWindow(self) || FromHandle(self) != this) return;
    pressed_ = -1;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void MenuBar::Reposition() {
    RECT screen = DeviceScreenRect();
    int height = DeviceMenuBarHeight();
    SetWindowPos(hwnd_, nullptr, screen.left, screen.bottom - height, screen.right - screen.left, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void MenuBar::Paint(HDC dc) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    UniqueBrush background(CreateSolidBrush(kBarColour));
    FillRect(dc, &client, background.Get());

    SelectedObject barFont(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    int count = SoftKeyCount();
    for (int index = 0; index < count; ++index) {
        RECT key = SoftKeyRect(index);
        if (index == pressed_) {
            UniqueBrush pressed(CreateSolidBrush(kPressedColour));
            FillRect(dc, &key, pressed.Get());
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu_.Get(), index, text, 128, MF_BYPOSITION);
        UINT state = GetMenuState(menu_.Get(), index, MF_BYPOSITION);
        bool disabled = state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
        SetTextColor(dc, disabled ? kDisabledColour : kTextColour);
        DrawTextW(dc, text, -1, &key, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
    }
    // Top edge and the line between the keys.
    UniquePen pen(CreatePen(PS_SOLID, 1, kEdgeColour));
    SelectedObject edgePen(dc, pen.Get());
    MoveToEx(dc, client.left, client.top, nullptr);
    LineTo(dc, client.right, client.top);
    if (count == 2) {
        int middle = (client.left + client.right) / 2;
        MoveToEx(dc, middle, client.top + 4, nullptr);
        LineTo(dc, middle, client.bottom - 4);
    }
}

// ---- Messages ----------------------------------------------------------------------

bool MenuBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    static const MessageMapEntry<MenuBar> kMap[] = {
        BX_MESSAGE(WM_PAINT, OnPaint),
        BX_MESSAGE(WM_MOUSEACTIVATE, OnMouseActivate),
        BX_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown),
        BX_MESSAGE(kMenuBarGetMenu, OnGetMenu),
        BX_MESSAGE(kMenuBarOverrideKey, OnOverrideKey),
        BX_MESSAGE(kPressSoftKey, OnPressKey),
        BX_MESSAGE(WM_SETTINGCHANGE, OnScreenChange),
        BX_MESSAGE(WM_DISPLAYCHANGE, OnScreenChange),
        BX_MESSAGE(WM_DESTROY, OnDestroy),
    };
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool MenuBar::OnPaint(WPARAM, LPARAM, LRESULT& result) {
    PaintDc dc(hwnd_);
    if (dc.Get()) Paint(dc.Get());
    result = 0;
    return true;
}

bool MenuBar::OnMouseActivate(WPARAM, LPARAM, LRESULT& result) {
    result = MA_NOACTIVATE;
    return true;
}

bool MenuBar::OnLButtonDown(WPARAM, LPARAM lParam, LRESULT& result) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    for (int index = 0; index < SoftKeyCount(); ++index) {
        RECT key = SoftKeyRect(index);
        if (PtInRect(&key, point)) {
            PressSoftKey(index);
            break;
        }
    }
    result = 0;
    return true;
}

bool MenuBar::OnGetMenu(WPARAM, LPARAM, LRESULT& result) {
    result = reinterpret_cast<LRESULT>(menu_.Get());
    return true;
}

bool MenuBar::OnOverrideKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Low word: the option bits to set, high word: which options change
    // (1: no default action, 2: notify the parent).
    UINT key = static_cast<UINT>(wParam);
    UINT values = LOWORD(lParam);
    UINT mask = HIWORD(lParam);
    KeyOverride entry{key, false, false};
    if (const KeyOverride* existing = FindOverride(key)) entry = *existing;
    if (mask & 1) entry.noDefault = (values & 1) != 0;
    if (mask & 2) entry.notify = (values & 2) != 0;
    overrides_.erase(std::remove_if(overrides_.begin(), overrides_.end(),
                                    [key](const KeyOverride& e) { return e.key == key; }),
                     overrides_.end());
    if (entry.noDefault || entry.notify) overrides_.push_back(entry);
    result = TRUE;
    return true;
}

bool MenuBar::OnPressKey(WPARAM wParam, LPARAM, LRESULT& result) {
    PressSoftKey(static_cast<int>(wParam));
    result = 0;
    return true;
}

bool MenuBar::OnScreenChange(WPARAM, LPARAM, LRESULT& result) {
    Reposition();
    result = 0;
    return true;
}

bool MenuBar::OnDestroy(WPARAM, LPARAM, LRESULT& result) {
    Unregister();
    UnhookParent();
    result = 0;
    return false;
}

bool DeviceCreateMenuBar(MenuBarInfo* info) { return MenuBar::Create(info); }

}  // namespace brevitex
