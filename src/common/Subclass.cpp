// The subclass chains: one per subclassed window, found through a WindowTable
// by the shared dispatcher that stands in for the window's procedure.
#include "common/Subclass.h"

#include <new>

#include "common/WindowTable.h"

namespace brevitex {

namespace {

struct Entry {
    SubclassProc proc;
    UINT_PTR id;
    void* data;
    Entry* below;  // the subclass added before this one
    bool removed;
};

// A window's subclasses, newest on top. Removed entries stay linked (and are
// skipped) while a dispatcher call runs on the chain, so that no running call
// is left pointing at a freed entry; they are freed once none runs.
struct Chain {
    HWND hwnd;
    WNDPROC original;
    Entry* top = nullptr;
    int running = 0;
    bool ended = false;  // past WM_NCDESTROY
};

// One dispatcher call on this thread: the entry whose procedure it runs now
// (null: the window's own procedure), for CallNextSubclass.
struct Frame {
    Chain* chain;
    Entry* current;
    Frame* outer;
};

thread_local Frame* t_frame = nullptr;

// Never destroyed: windows of other threads may still be dispatching while the process exits.
WindowTable& Chains() {
    static WindowTable* const table = new WindowTable;
    return *table;
}

Chain* ChainOf(HWND hwnd) { return static_cast<Chain*>(Chains().Find(hwnd)); }

Entry* LiveFrom(Entry* entry) {
    while (entry && entry->removed) entry = entry->below;
    return entry;
}

Entry* FindLive(Chain* chain, SubclassProc proc, UINT_PTR id) {
    for (Entry* entry = LiveFrom(chain->top); entry; entry = LiveFrom(entry->below)) {
        if (entry->proc == proc && entry->id == id) return entry;
    }
    return nullptr;
}

LRESULT CALLBACK Dispatcher(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

bool DispatcherInPlace(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == Dispatcher;
}

// Frees the removed entries, and the whole chain when it has ended or has no
// subclass left while the dispatcher is still the window's procedure (which
// then gets the window's own procedure back). Nothing happens while a call
// runs on the chain. Otherwise an empty chain stays as a pass-through for a
// procedure installed over the dispatcher.
void Tidy(Chain* chain) {
    if (chain->running > 0) return;
    for (Entry** link = &chain->top; *link;) {
        Entry* entry = *link;
        if (entry->removed) {
            *link = entry->below;
            delete entry;
        } else {
            link = &entry->below;
        }
    }
    if (!chain->ended) {
        if (chain->top || !DispatcherInPlace(chain->hwnd)) return;
        SetWindowLongPtrW(chain->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
    }
    Chains().Remove(chain->hwnd, chain);
    while (Entry* entry = chain->top) {
        chain->top = entry->below;
        delete entry;
    }
    delete chain;
}

// Runs the first live subclass from `entry` down, or the window's own procedure.
LRESULT CallFrom(Frame& frame, Entry* entry, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    entry = LiveFrom(entry);
    frame.current = entry;
    if (!entry) return CallWindowProcW(frame.chain->original, hwnd, message, wParam, lParam);
    return entry->proc(hwnd, message, wParam, lParam, entry->id, entry->data);
}

LRESULT CALLBACK Dispatcher(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Chain* chain = ChainOf(hwnd);
    if (!chain) return DefWindowProcW(hwnd, message, wParam, lParam);
    Frame frame{chain, nullptr, t_frame};
    t_frame = &frame;
    ++chain->running;
    LRESULT result = CallFrom(frame, chain->top, hwnd, message, wParam, lParam);
    --chain->running;
    t_frame = frame.outer;
    if (message == WM_NCDESTROY && !chain->ended) {
        // The window's last message: every subclass ends with it, and a new
        // window given the same handle must not find this chain.
        chain->ended = true;
        for (Entry* entry = chain->top; entry; entry = entry->below) entry->removed = true;
        if (DispatcherInPlace(hwnd)) {
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
        }
        Chains().Remove(hwnd, chain);
    }
    Tidy(chain);
    return result;
}

}  // namespace

bool AddSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id, void* data) {
    if (!hwnd || !proc || !IsWindow(hwnd)) return false;
    Chain* chain = ChainOf(hwnd);
    if (chain) {
        if (Entry* entry = FindLive(chain, proc, id)) {
            entry->data = data;
            return true;
        }
    } else {
        auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
        if (!original) return false;
        chain = new (std::nothrow) Chain{hwnd, original};
        if (!chain) return false;
        Chains().Set(hwnd, chain);
        if (ChainOf(hwnd) != chain) {
            delete chain;
            return false;
        }
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Dispatcher));
        if (!DispatcherInPlace(hwnd)) {
            Tidy(chain);
            return false;
        }
    }
    auto* entry = new (std::nothrow) Entry{proc, id, data, chain->top, false};
    if (!entry) {
        Tidy(chain);
        return false;
    }
    chain->top = entry;
    return true;
}

bool RemoveSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id) {
    Chain* chain = ChainOf(hwnd);
    Entry* entry = chain ? FindLive(chain, proc, id) : nullptr;
    if (!entry) return false;
    entry->removed = true;
    Tidy(chain);
    return true;
}

bool FindSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id, void** data) {
    Chain* chain = ChainOf(hwnd);
    Entry* entry = chain ? FindLive(chain, proc, id) : nullptr;
    if (entry && data) *data = entry->data;
    return entry != nullptr;
}

LRESULT CallNextSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Frame* frame = t_frame;
    while (frame && frame->chain->hwnd != hwnd) frame = frame->outer;
    if (!frame) {
        // Not from inside a subclass procedure: straight to the window's own procedure.
        Chain* chain = ChainOf(hwnd);
        if (!chain) return DefWindowProcW(hwnd, message, wParam, lParam);
        return CallWindowProcW(chain->original, hwnd, message, wParam, lParam);
    }
    Entry* current = frame->current;
    if (!current) return CallWindowProcW(frame->chain->original, hwnd, message, wParam, lParam);
    LRESULT result = CallFrom(*frame, current->below, hwnd, message, wParam, lParam);
    frame->current = current;
    return result;
}

}  // namespace brevitex
