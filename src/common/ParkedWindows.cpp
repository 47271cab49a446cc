// Parked windows: a per-thread list of hidden, parentless windows destroyed
// at the thread's end.
#include "common/ParkedWindows.h"

#include <vector>

namespace brevitex {

namespace {

thread_local std::vector<HWND> t_parked;

}  // namespace

bool ParkWindow(HWND window) {
    if (!window || !IsWindow(window)) return false;
    ShowWindow(window, SW_HIDE);
    // A message-only parent: the old parent's destruction no longer reaches it.
    bool moved = SetParent(window, HWND_MESSAGE) != nullptr;
    if (moved) {
        try {
            t_parked.push_back(window);
            return true;
        } catch (...) {
        }
    }
    DestroyWindow(window);
    return false;
}

int ReleaseParkedWindows(bool processEnding) {
    std::vector<HWND> parked;
    parked.swap(t_parked);
    if (processEnding) return 0;
    int destroyed = 0;
    for (HWND window : parked) {
        if (IsWindow(window) && DestroyWindow(window)) ++destroyed;
    }
    return destroyed;
}

int ParkedWindowCount() { return static_cast<int>(t_parked.size()); }

}  // namespace brevitex
