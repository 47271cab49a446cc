// WindowTable: the map and its reader-writer lock.
#include "common/WindowTable.h"

namespace brevitex {

void* WindowTable::Find(HWND hwnd) const {
    if (!hwnd) return nullptr;
    AcquireSRWLockShared(&lock_);
    auto found = entries_.find(hwnd);
    void* value = found == entries_.end() ? nullptr : found->second;
    ReleaseSRWLockShared(&lock_);
    return value;
}

void WindowTable::Set(HWND hwnd, void* value) {
    if (!hwnd) return;
    AcquireSRWLockExclusive(&lock_);
    try {
        entries_[hwnd] = value;
    } catch (...) {
        // Out of memory: the window stays without an entry, as if never set.
    }
    ReleaseSRWLockExclusive(&lock_);
}

bool WindowTable::Remove(HWND hwnd, const void* expected) {
    AcquireSRWLockExclusive(&lock_);
    auto found = entries_.find(hwnd);
    bool removed = found != entries_.end() && found->second == expected;
    if (removed) entries_.erase(found);
    ReleaseSRWLockExclusive(&lock_);
    return removed;
}

size_t WindowTable::Size() const {
    AcquireSRWLockShared(&lock_);
    size_t size = entries_.size();
    ReleaseSRWLockShared(&lock_);
    return size;
}

}  // namespace brevitex
