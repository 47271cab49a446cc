// The progress bar of a long load, painted straight from the stream callback.
#include "document/LoadProgress.h"

#include <commctrl.h>

#include <cstdint>

namespace brevitex {

namespace {

constexpr DWORD kDelayMs = 500;
constexpr int kSteps = 1000;

}  // namespace

namespace {

thread_local int t_loads = 0;

}  // namespace

LoadProgress::LoadProgress(TickSource clock) : clock_(clock), start_(clock()) { ++t_loads; }

LoadProgress::~LoadProgress() {
    --t_loads;
    if (bar_) DestroyWindow(bar_);
}

bool LoadProgress::LoadingOnThisThread() { return t_loads > 0; }

void LoadProgress::Streamed(int units, int total) {
    if (total <= 0) return;
    if (!bar_) {
        if (failed_ || !view_ || clock_() - start_ < kDelayMs) return;
        failed_ = !CreateBar();
        if (failed_) return;
    }
    int step = static_cast<int>(static_cast<int64_t>(units) * kSteps / total);
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
