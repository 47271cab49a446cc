// The frame threads' message loop with filters and idle handlers, and the
// registry of the loops by thread.
#include "common/MessageLoop.h"

#include <algorithm>
#include <cstdint>

#include "common/Module.h"

namespace brevitex {

namespace {

constexpr UINT kSystemTimer = 0x0118;

// Message-loop registry: parallel heap arrays of thread ids and loops, under the module lock.
DWORD* g_loopThreads = nullptr;
MessageLoop** g_loops = nullptr;
int32_t g_loopCount = 0;

template <class T>
T* ResizeArray(T* array, int32_t count) {
    HANDLE heap = GetProcessHeap();
    if (count == 0) {
        if (array) HeapFree(heap, 0, array);
        return nullptr;
    }
    size_t bytes = sizeof(T) * static_cast<size_t>(count);
    void* block = array ? HeapReAlloc(heap, 0, array, bytes) : HeapAlloc(heap, 0, bytes);
    return static_cast<T*>(block);
}

}  // namespace

bool RegisterThreadLoop(MessageLoop* loop) {
    ModuleLock hold;
    DWORD* threads = ResizeArray(g_loopThreads, g_loopCount + 1);
    if (!threads) return false;
    g_loopThreads = threads;
    MessageLoop** loops = ResizeArray(g_loops, g_loopCount + 1);
    if (!loops) return false;
    g_loops = loops;
    g_loopThreads[g_loopCount] = GetCurrentThreadId();
    g_loops[g_loopCount] = loop;
    ++g_loopCount;
    return true;
}

bool UnregisterThreadLoop() {
    ModuleLock hold;
    DWORD self = GetCurrentThreadId();
    for (int32_t i = 0; i < g_loopCount; ++i) {
        if (g_loopThreads[i] != self) continue;
        for (int32_t j = i; j + 1 < g_loopCount; ++j) {
            g_loopThreads[j] = g_loopThreads[j + 1];
            g_loops[j] = g_loops[j + 1];
        }
        --g_loopCount;
        // Shrinking never fails to keep the data; a failed shrink keeps the larger block.
        if (DWORD* threads = ResizeArray(g_loopThreads, g_loopCount); threads || g_loopCount == 0) {
            g_loopThreads = threads;
        }
        if (MessageLoop** loops = ResizeArray(g_loops, g_loopCount); loops || g_loopCount == 0) g_loops = loops;
        return true;
    }
    return false;
}

MessageLoop* ThreadLoop() {
    ModuleLock hold;
    DWORD self = GetCurrentThreadId();
    for (int32_t i = 0; i < g_loopCount; ++i) {
        if (g_loopThreads[i] == self) return g_loops[i];
    }
    return nullptr;
}

int ThreadLoopCount() {
    ModuleLock hold;
    return g_loopCount;
}

void ClearThreadLoops() {
    ModuleLock hold;
    g_loopThreads = ResizeArray(g_loopThreads, 0);
    g_loops = ResizeArray(g_loops, 0);
    g_loopCount = 0;
}

bool MessageLoop::AddFilter(MessageFilter* filter) {
    if (!filter) return false;
    filters_.push_back(filter);
    return true;
}

bool MessageLoop::RemoveFilter(MessageFilter* filter) {
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return false;
    filters_.erase(it);
    return true;
}

bool MessageLoop::AddIdleHandler(IdleHandler* handler) {
    if (!handler) return false;
    idleHandlers_.push_back(handler);
    return true;
}

bool MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
    auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
    if (it == idleHandlers_.end()) return false;
    idleHandlers_.erase(it);
    return true;
}

bool MessageLoop::PreTranslate(MSG* message) {
    // Index loop: a filter may remove itself (a modeless dialog closing) while it runs.
    for (size_t i = filters_.size(); i-- > 0;) {
        if (i < filters_.size() && filters_[i]->PreTranslateMessage(message)) return true;
    }
    return false;
}

void MessageLoop::RunIdleHandlers() {
    for (size_t i = 0; i < idleHandlers_.size(); ++i) idleHandlers_[i]->OnIdle();
}

bool MessageLoop::KeepsIdle(UINT message) {
    return message == WM_PAINT || message == WM_MOUSEMOVE || message == kSystemTimer;
}

int MessageLoop::RunLoop() {
    bool idleAllowed = true;
    for (;;) {
        if (idleAllowed && !PeekMessageW(&message_, nullptr, 0, 0, PM_NOREMOVE)) {
            RunIdleHandlers();
            idleAllowed = false;
        }
        BOOL got = GetMessageW(&message_, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) {
            exitValue_ = static_cast<int>(message_.wParam);
            return exitValue_;
        }
        if (!PreTranslate(&message_)) {
            TranslateMessage(&message_);
            DispatchMessageW(&message_);
        }
        if (!KeepsIdle(message_.message)) idleAllowed = true;
    }
}

}  // namespace brevitex
