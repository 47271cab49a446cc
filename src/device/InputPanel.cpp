// The emulated soft input panel: a keyboard strip above the menu bar, raised
// and lowered for the whole process, with the change announced to the
// program's top-level windows as WM_SETTINGCHANGE / SPI_SETSIPINFO.
#include <mutex>

#include "device/DeviceFocus.h"
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

constexpr UINT kSetSipInfo = 224;  // SPI_SETSIPINFO
constexpr int kPanelHeightAt96Dpi = 80;
const wchar_t kClassName[] = L"BrevitexInputPanel";

// Panel-private messages: show (wParam nonzero) or hide the panel; announce a
// change to the windows of every thread but the one in wParam.
constexpr UINT kPanelShow = WM_USER + 420;
constexpr UINT kPanelAnnounce = WM_USER + 421;
constexpr UINT kPanelRaise = WM_USER + 422;
constexpr UINT kAnnounceTimeoutMs = 2000;

// Key rows of the strip; '\b' is Backspace, '\r' Enter, ' ' the space bar.
const wchar_t* const kRows[] = {L"qwertyuiop", L"asdfghjkl\b", L"zxcvbnm,.\r", L" "};
constexpr int kRowCount = 4;
constexpr int kColumns = 10;

std::mutex g_lock;
bool g_shown = false;
HWND g_panel = nullptr;  // lives on the panel thread for the rest of the process

int PanelHeight() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return MulDiv(kPanelHeightAt96Dpi, dpi > 0 ? dpi : 96, 96);
}

RECT PanelRect() {
    RECT work = DeviceWorkArea();
    return RECT{work.left, work.bottom - PanelHeight(), work.right, work.bottom};
}

// The key of a row and column, and its rectangle within the panel's client area.
RECT KeyRect(const RECT& client, int row, int column, int span) {
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    RECT key{client.left + width * column / kColumns, client.top + height * row / kRowCount,
             client.left + width * (column + span) / kColumns, client.top + height * (row + 1) / kRowCount};
    InflateRect(&key, -1, -1);
    return key;
}

// The space bar spans the middle of the last row.
void RowLayout(int row, int index, int* column, int* span) {
    if (row == kRowCount - 1) {
        *column = 2;
        *span = 6;
    } else {
        *column = index;
        *span = 1;
    }
}

const wchar_t* KeyLabel(wchar_t key) {
    switch (key) {
    case L'\b': return L"\u2190";
    case L'\r': return L"\u21B5";
    case L' ': return L"";
    default: return nullptr;
    }
}

// Calls visit(character, rectangle) for every key, in rows, until it returns false.
template <class Visit>
void ForEachKey(const RECT& client, Visit visit) {
    for (int row = 0; row < kRowCount; ++row) {
        for (int index = 0; kRows[row][index]; ++index) {
            int column = 0;
            int span = 0;
            RowLayout(row, index, &column, &span);
            if (!visit(kRows[row][index], KeyRect(client, row, column, span))) return;
        }
    }
}

void PaintPanel(HWND panel, HDC dc) {
    RECT client{};
    GetClientRect(panel, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DSHADOW));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    ForEachKey(client, [dc](wchar_t character, RECT key) {
        FillRect(dc, &key, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &key, BDR_RAISEDINNER, BF_RECT);
        wchar_t text[2] = {character, 0};
        const wchar_t* label = KeyLabel(character);
        DrawTextW(dc, label ? label : text, -1, &key, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        return true;
    });
}

void TypeKey(wchar_t key) {
    HWND target = ForegroundFocusWindow();
    if (!target) return;
    if (key == L'\b' || key == L'\r') {
        UINT virtualKey = key == L'\b' ? VK_BACK : VK_RETURN;
        LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
        PostMessageW(target, WM_KEYDOWN, virtualKey, scan | 1);
        PostMessageW(target, WM_CHAR, key, scan | 1);
        PostMessageW(target, WM_KEYUP, virtualKey, scan | 1 | 0xC0000000);
        return;
    }
    PostMessageW(target, WM_CHAR, key, 1);
}

void TapAt(HWND panel, POINT point) {
    RECT client{};
    GetClientRect(panel, &client);
    ForEachKey(client, [point](wchar_t character, RECT key) {
        if (!PtInRect(&key, point)) return true;
        TypeKey(character);
        return false;
    });
}

struct Announcement {
    DWORD process;
    DWORD skipThread;  // already told, synchronously
    DWORD panelThread;
};

BOOL CALLBACK AnnounceToWindow(HWND window, LPARAM context) {
    const auto* announcement = reinterpret_cast<const Announcement*>(context);
    DWORD process = 0;
    DWORD thread = GetWindowThreadProcessId(window, &process);
    if (process != announcement->process || thread == announcement->skipThread ||
        thread == announcement->panelThread) {
        return TRUE;
    }
    // WM_SETTINGCHANGE can only be sent, not posted; a hung thread is skipped.
    SendMessageTimeoutW(window, WM_SETTINGCHANGE, kSetSipInfo, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL,
                        kAnnounceTimeoutMs, nullptr);
    return TRUE;
}

// Tells the windows of every other thread of the process.
void AnnounceToOtherThreads(DWORD callerThread) {
    Announcement announcement{GetCurrentProcessId(), callerThread, g_panel ? GetWindowThreadProcessId(g_panel, nullptr) : 0};
    EnumWindows(AnnounceToWindow, reinterpret_cast<LPARAM>(&announcement));
}

BOOL CALLBACK AnnounceToOwnWindow(HWND window, LPARAM) {
    SendMessageW(window, WM_SETTINGCHANGE, kSetSipInfo, 0);
    return TRUE;
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kPanelShow:
        if (wParam) {
            RECT rect = PanelRect();
            SetWindowPos(hwnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                         SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ShowWindow(hwnd, SW_HIDE);
        }
        return 0;
    case kPanelRaise:
        // The desktop stacks a window shown later above this one whatever its
        // topmost mark says; showing the panel again puts it back on top.
        if (IsWindowVisible(hwnd)) {
            ShowWindow(hwnd, SW_HIDE);
            ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        }
        return 0;
    case kPanelAnnounce:
        AnnounceToOtherThreads(static_cast<DWORD>(wParam));
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
        TapAt(hwnd, POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        PaintPanel(hwnd, dc);
        EndPaint(hwnd, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// The panel window belongs to a thread of its own, so it outlives the frame threads.
DWORD WINAPI PanelThread(void* ready) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    RECT rect = PanelRect();
    g_panel = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"", WS_POPUP,
                              rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                              nullptr, wc.hInstance, nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    if (!g_panel) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

HWND PanelWindow() {
    static std::once_flag once;
    std::call_once(once, [] {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (!ready) return;
        HANDLE thread = CreateThread(nullptr, 0, PanelThread, ready, 0, nullptr);
        if (thread) {
            WaitForSingleObject(ready, 5000);
            CloseHandle(thread);
        }
        CloseHandle(ready);
    });
    return g_panel;
}

}  // namespace

bool DeviceSipPreference(HWND window, int state) {
    if (state != kSipRaise && state != kSipLower) return false;
    bool show = state == kSipRaise;
    {
        // Already as asked: the panel (a thread and a window) need not exist yet.
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_shown == show) return true;
    }
    HWND panel = PanelWindow();
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_shown == show) return true;
        g_shown = show;
        if (panel) PostMessageW(panel, kPanelShow, show ? 1 : 0, 0);
    }
    // This thread's windows hear of it at once; the panel thread tells the
    // other threads' windows, so this thread never waits for them.
    EnumThreadWindows(GetCurrentThreadId(), AnnounceToOwnWindow, 0);
    if (!panel || !PostMessageW(panel, kPanelAnnounce, GetCurrentThreadId(), 0)) {
        AnnounceToOtherThreads(GetCurrentThreadId());
    }
    return true;
}

void DeviceKeepInputPanelOnTop() {
    HWND panel = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!g_shown) return;
        panel = g_panel;
    }
    // The panel's own thread raises it again above what was just shown.
    if (panel) PostMessageW(panel, kPanelRaise, 0, 0);
}

bool DeviceSipGetInfo(SipInfo* info) {
    if (!info) return false;
    bool shown = false;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        shown = g_shown;
    }
    RECT work = DeviceWorkArea();
    info->shown = shown;
    info->panel = PanelRect();
    info->visibleDesktop = work;
    if (shown) info->visibleDesktop.bottom = info->panel.top;
    return true;
}

}  // namespace brevitex
