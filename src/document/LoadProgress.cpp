// The progress bar of a long load, painted straight from the stream callback.
#include "document/LoadProgress.h"

#include <commctrl.h>

#include <cstdint>
#include <new>

namespace brevitex {

namespace {

constexpr DWORD kDelayMs = 500;
// How often the thread looks at its queue while the control streams.
constexpr DWORD kListenMs = 20;
constexpr int kSteps = 1000;

}  // namespace

namespace {

thread_local int t_loads = 0;

// Esc, or Back, which reaches a Smartphone window as a hot key.
bool IsEscape(const MSG& message) {
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            return message.wParam == VK_ESCAPE;
        case WM_CHAR:
            return message.wParam == 0x1B;
        case WM_HOTKEY:
            return HIWORD(message.lParam) == VK_ESCAPE;
        default:
            return false;
    }
}

}  // namespace

LoadProgress::LoadProgress(TickSource clock) : clock_(clock), start_(clock()) { ++t_loads; }

LoadProgress::~LoadProgress() {
    --t_loads;
    if (bar_) {
        // What the bar covered is painted again: after a cancelled load the
        // document under it was never repainted, and the bar's pixels stayed.
        HWND parent = GetParent(bar_);
        RECT covered{};
        GetWindowRect(bar_, &covered);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&covered), 2);
        DestroyWindow(bar_);
        RedrawWindow(parent, &covered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    if (cancelled_) return;
    // Keys pressed while the control could not listen (it lays a long line
    // out in one go) are taken now, behind the others.
    cancellable_ = false;
    Listen();
    for (const MSG& key : keys_) PostMessageW(key.hwnd, key.message, key.wParam, key.lParam);
}

void LoadProgress::Redirect(HWND from, HWND to) {
    for (MSG& key : keys_) {
        if (key.hwnd == from) key.hwnd = to;
    }
}

void LoadProgress::Listen() {
    MSG message;
    // Messages sent from other threads are handled inside this call.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    for (UINT first : {UINT{WM_KEYFIRST}, UINT{WM_HOTKEY}}) {
        const UINT last = first == WM_HOTKEY ? WM_HOTKEY : WM_KEYLAST;
        while (!cancelled_ && PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
            if (IsEscape(message)) {
                const bool press = message.message == WM_KEYDOWN || message.message == WM_HOTKEY;
                if (press && cancellable_) {
                    cancelled_ = true;
                    break;
                }
                // One that comes too late to cancel was still meant for the
                // load: it never reaches the document (Back would delete).
                continue;
            }
            try {
                keys_.push_back(message);
            } catch (const std::bad_alloc&) {
            }
        }
    }
}

bool LoadProgress::LoadingOnThisThread() { return t_loads > 0; }

void LoadProgress::Track(HWND view) {
    view_ = view;
    if (bar_) SetWindowPos(bar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool LoadProgress::WaitFor(HANDLE object) {
    const bool cancellable = cancellable_;
    cancellable_ = true;
    DWORD ended = WAIT_TIMEOUT;
    // Keys already waiting count as pressed during the load, as when streaming.
    Listen();
    while (!cancelled_) {
        ended = MsgWaitForMultipleObjects(1, &object, FALSE, kListenMs, QS_SENDMESSAGE | QS_KEY | QS_HOTKEY);
        if (ended == WAIT_OBJECT_0 || ended == WAIT_FAILED) break;
        const DWORD now = clock_();
        listened_ = now;
        Listen();
        Show(0, now);
    }
    cancellable_ = cancellable;
    // A failed wait cannot tell when the thread ends: the load is given up.
    return ended == WAIT_OBJECT_0;
}

void LoadProgress::Streamed(int units, int total) {
    const DWORD now = clock_();
    if (now - listened_ >= kListenMs) {
        listened_ = now;
        Listen();
    }
    if (total <= 0) return;
    Show(static_cast<int>(static_cast<int64_t>(units) * kSteps / total), now);
}

void LoadProgress::Show(int step, DWORD now) {
    if (!bar_) {
        if (failed_ || !view_ || now - start_ < kDelayMs) return;
        failed_ = !CreateBar();
        if (failed_) return;
    }
    if (step == shown_) return;
    shown_ = step;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(step), 0);
    // Only the bar paints: the control is busy taking the text in.
    UpdateWindow(bar_);
}

bool LoadProgress::CreateBar() {
    HWND parent = GetParent(view_);
    if (!parent) return false;
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    RECT rect{};
    GetWindowRect(view_, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    int height = GetSystemMetrics(SM_CYMENU);
    if (height > rect.bottom - rect.top) height = rect.bottom - rect.top;
    bar_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_CLIPSIBLINGS | PBS_SMOOTH, rect.left,
                           rect.bottom - height, rect.right - rect.left, height, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (!bar_) return false;
    SendMessageW(bar_, PBM_SETRANGE32, 0, kSteps);
    // Above the view and every other sibling, so nothing covers it.
    SetWindowPos(bar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return true;
}

}  // namespace brevitex
