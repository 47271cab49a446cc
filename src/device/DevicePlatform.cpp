// Platform-type text and the one message-box function of the device layer.
#include <algorithm>
#include <atomic>
#include <cwchar>

#include "device/DeviceShell.h"
#include "device/FileOperationWindows.h"

namespace brevitex {

namespace {

constexpr UINT kGetPlatformType = 257;  // SPI_GETPLATFORMTYPE on the device

// The hook and its context change together under the lock.
SRWLOCK g_messageBoxHookLock = SRWLOCK_INIT;
MessageBoxHook g_messageBoxHook = nullptr;
void* g_messageBoxContext = nullptr;

// -1: not yet known. Racing first callers all store the same answer.
std::atomic<int> g_isSmartphone{-1};

}  // namespace

bool DevicePlatformType(wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    if (SystemParametersInfoW(kGetPlatformType, capacity, buffer, 0) && buffer[0]) return true;
    wchar_t fromEnvironment[256] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_PLATFORM", fromEnvironment, 256);
    const wchar_t* type = (length > 0 && length < 256) ? fromEnvironment : L"PocketPC";
    if (wcslen(type) + 1 > capacity) return false;
    wcscpy(buffer, type);
    return true;
}

bool IsSmartphonePlatform() {
    int cached = g_isSmartphone.load();
    if (cached == -1) {
        wchar_t type[256] = {};
        cached = (DevicePlatformType(type, 256) && lstrcmpiW(type, L"SmartPhone") == 0) ? 1 : 0;
        g_isSmartphone.store(cached);
    }
    return cached == 1;
}

void ResetSmartphonePlatformCache() { g_isSmartphone.store(-1); }

void SetMessageBoxHook(MessageBoxHook hook, void* context) {
    AcquireSRWLockExclusive(&g_messageBoxHookLock);
    g_messageBoxHook = hook;
    g_messageBoxContext = context;
    ReleaseSRWLockExclusive(&g_messageBoxHookLock);
}

namespace {

// The owner of the message box this thread is about to show, and the hook
// that puts the box over it once the box has laid itself out.
thread_local HWND t_boxOwner = nullptr;
thread_local HHOOK t_boxHook = nullptr;

// The platform's box text control.
constexpr int kBoxTextId = 0xFFFF;

RECT ChildRect(HWND box, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A box laid out wider than the device screen (the platform measures its
// text against the whole display) is narrowed to the screen: its text wraps
// onto more lines, and its buttons move down and to the middle again. The box
// may already have been cut to the screen's width with its text still as wide
// as before, so the text's width is measured against what the box can show.
void FitBoxToScreenWidth(HWND box) {
    const RECT screen = DeviceScreenRect();
    RECT outer{}, client{};
    HWND text = GetDlgItem(box, kBoxTextId);
    if (!text || !GetWindowRect(box, &outer) || !GetClientRect(box, &client)) return;
    const int outerWidth = static_cast<int>(outer.right - outer.left);
    const int boxExcess = (std::max)(0, outerWidth - static_cast<int>(screen.right - screen.left));
    // The box keeps the margin at the right that it has at the left.
    LONG margin = LONG_MAX;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        margin = (std::min)(margin, ChildRect(box, child).left);
    }
    if (margin == LONG_MAX || margin < 0) margin = 0;
    RECT textRect = ChildRect(box, text);
    const LONG shownRight = client.right - boxExcess - margin;
    if (textRect.right <= shownRight && boxExcess == 0) return;
    const int width = static_cast<int>((std::min)(textRect.right, shownRight) - textRect.left);
    if (width <= 0) return;
    wchar_t content[2048] = {};
    GetWindowTextW(text, content, 2048);
    HDC dc = GetDC(text);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(text, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, width, 0};
    DrawTextW(dc, content, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    const int grow = (std::max)(0, static_cast<int>(needed.bottom - (textRect.bottom - textRect.top)));
    SetWindowPos(text, nullptr, 0, 0, width, static_cast<int>(textRect.bottom - textRect.top) + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(box, nullptr, 0, 0, outerWidth - boxExcess, static_cast<int>(outer.bottom - outer.top) + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The buttons as one row, centred in the narrower box below the taller text.
    GetClientRect(box, &client);
    LONG left = LONG_MAX, right = LONG_MIN;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        if (!GetClassNameW(child, name, 16) || lstrcmpiW(name, L"Button") != 0) continue;
        RECT rect = ChildRect(box, child);
        left = (std::min)(left, rect.left);
        right = (std::max)(right, rect.right);
    }
    const LONG shift = left <= right ? (client.right - (right - left)) / 2 - left : 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        if (!GetClassNameW(child, name, 16) || lstrcmpiW(name, L"Button") != 0) continue;
        RECT rect = ChildRect(box, child);
        SetWindowPos(child, nullptr, rect.left + shift, rect.top + grow, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

LRESULT CALLBACK BoxPlacementHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        wchar_t name[16] = {};
        if (GetClassNameW(call->hwnd, name, 16) && wcscmp(name, L"#32770") == 0) {
            FitBoxToScreenWidth(call->hwnd);
            DevicePlaceOverOwner(call->hwnd, t_boxOwner);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The platform's message box, centred over its owner on the device screen
// (the platform centres it on the whole display).
int PlacedMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    const HWND outerOwner = t_boxOwner;
    const bool hooked = t_boxHook != nullptr;
    t_boxOwner = owner;
    if (!hooked) t_boxHook = SetWindowsHookExW(WH_CALLWNDPROCRET, BoxPlacementHook, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(owner, text, caption, type);
    if (!hooked && t_boxHook) {
        UnhookWindowsHookEx(t_boxHook);
        t_boxHook = nullptr;
    }
    t_boxOwner = outerOwner;
    return answer;
}

}  // namespace

int DeviceMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    AcquireSRWLockShared(&g_messageBoxHookLock);
    MessageBoxHook hook = g_messageBoxHook;
    void* context = g_messageBoxContext;
    ReleaseSRWLockShared(&g_messageBoxHookLock);
    if (hook) {
        int answer = hook(owner, text, caption, type, context);
        if (answer != 0) return answer;
    }
    if ((type & MB_TYPEMASK) == kMessageBoxYesToAllNoCancel) return ShowYesToAllQuestion(owner, text, caption, type);
    return PlacedMessageBox(owner, text, caption, type);
}

}  // namespace brevitex

// The device's libraries (phone.dll) prompt through the program's message box:
// the executable exports it by this name (kHostMessageBoxName).
extern "C" __declspec(dllexport) int WINAPI BrevitexDeviceMessageBox(HWND owner, const wchar_t* text,
                                                                      const wchar_t* caption, UINT type) {
    return brevitex::DeviceMessageBox(owner, text, caption, type);
}
