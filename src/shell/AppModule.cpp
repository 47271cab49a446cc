// The module object, its message-loop registry and the platform test.
#include "shell/AppModule.h"

#include "device/DeviceShell.h"
#include "common/WideString.h"

namespace brevitex {

namespace {

AppModule g_module;

// -1: not yet known. Written without a lock; every writer stores the same value.
volatile LONG g_isSmartphone = -1;

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

AppModule& Module() { return g_module; }

bool AppModule::Init(HINSTANCE instance) {
    instance_ = instance;
    SetStringModule(instance);
    // With a buffer size of 0 the platform hands back a pointer into the read-only resource.
    const wchar_t* title = nullptr;
    if (LoadStringW(instance, 101, reinterpret_cast<LPWSTR>(&title), 0) > 0) title_ = title;
    mainThreadId_ = GetCurrentThreadId();
    return true;
}

void AppModule::Term() {
    ModuleLock hold;
    loopThreads_ = ResizeArray(loopThreads_, 0);
    loops_ = ResizeArray(loops_, 0);
    loopCount_ = 0;
}

bool AppModule::RegisterLoop(MessageLoop* loop) {
    ModuleLock hold;
    DWORD* threads = ResizeArray(loopThreads_, loopCount_ + 1);
    if (!threads) return false;
    loopThreads_ = threads;
    MessageLoop** loops = ResizeArray(loops_, loopCount_ + 1);
    if (!loops) return false;
    loops_ = loops;
    loopThreads_[loopCount_] = GetCurrentThreadId();
    loops_[loopCount_] = loop;
    ++loopCount_;
    return true;
}

bool AppModule::UnregisterLoop() {
    ModuleLock hold;
    DWORD self = GetCurrentThreadId();
    for (int32_t i = 0; i < loopCount_; ++i) {
        if (loopThreads_[i] != self) continue;
        for (int32_t j = i; j + 1 < loopCount_; ++j) {
            loopThreads_[j] = loopThreads_[j + 1];
            loops_[j] = loops_[j + 1];
        }
        --loopCount_;
        // Shrinking never fails to keep the data; a failed shrink keeps the larger block.
        if (DWORD* threads = ResizeArray(loopThreads_, loopCount_); threads || loopCount_ == 0) loopThreads_ = threads;
        if (MessageLoop** loops = ResizeArray(loops_, loopCount_); loops || loopCount_ == 0) loops_ = loops;
        return true;
    }
    return false;
}

MessageLoop* AppModule::LoopForThisThread() {
    ModuleLock hold;
    DWORD self = GetCurrentThreadId();
    for (int32_t i = 0; i < loopCount_; ++i) {
        if (loopThreads_[i] == self) return loops_[i];
    }
    return nullptr;
}

int AppModule::LoopCount() {
    ModuleLock hold;
    return loopCount_;
}

bool IsSmartphonePlatform() {
    LONG cached = g_isSmartphone;
    if (cached == -1) {
        wchar_t type[256] = {};
        bool smartphone = DevicePlatformType(type, 256) && lstrcmpiW(type, L"SmartPhone") == 0;
        cached = smartphone ? 1 : 0;
        g_isSmartphone = cached;
    }
    return cached == 1;
}

void ResetSmartphonePlatformCache() { g_isSmartphone = -1; }

}  // namespace brevitex
