// WindowTable: a process-wide map from window handles to pointers, for code
// that keeps its own data per window and looks it up on every message.
//
// Window properties would do the same, but under some window systems each
// property read is a round trip to a server, far too slow for every message.
// The table is read from any thread under a shared lock; an entry must be
// removed when its window goes (at WM_NCDESTROY at the latest), or a later
// window given the same handle would find it.
#pragma once

#include <windows.h>

#include <unordered_map>

namespace brevitex {

class WindowTable {
public:
    WindowTable() = default;
    WindowTable(const WindowTable&) = delete;
    WindowTable& operator=(const WindowTable&) = delete;

    // The pointer kept for a window, or null.
    void* Find(HWND hwnd) const;
    // Keeps `value` for a window, replacing what was kept.
    void Set(HWND hwnd, void* value);
    // Forgets a window's entry, but only while it still holds `expected`: an
    // entry set since by someone else stays. True when it was removed.
    bool Remove(HWND hwnd, const void* expected);
    size_t Size() const;

private:
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    std::unordered_map<HWND, void*> entries_;
};

}  // namespace brevitex
