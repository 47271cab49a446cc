// The process-wide module object: instance, application title, main thread id,
// the module lock and the registry of the frame threads' message loops.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/MessageLoop.h"

namespace brevitex {

class AppModule {
public:
    // The lock exists from the start, so lookups before Init never wait on an unready lock.
    AppModule() { InitializeCriticalSection(&lock_); }
    // Sets up the module for this process (instance, title string 101, main thread id, empty registry).
    bool Init(HINSTANCE instance);
    // Frees the registry and its arrays.
    void Term();

    HINSTANCE Instance() const { return instance_; }
    const wchar_t* Title() const { return title_ ? title_ : L""; }
    DWORD MainThreadId() const { return mainThreadId_; }

    // Register, unregister and look up the calling thread's loop, each under the module lock.
    bool RegisterLoop(MessageLoop* loop);
    bool UnregisterLoop();
    MessageLoop* LoopForThisThread();
    int LoopCount();

    // The module lock, also guarding the one-time window-class registrations.
    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }

private:
    HINSTANCE instance_ = nullptr;
    const wchar_t* title_ = nullptr;
    DWORD mainThreadId_ = 0;
    CRITICAL_SECTION lock_{};
    // Message-loop registry: parallel arrays of thread ids and loops.
    DWORD* loopThreads_ = nullptr;
    MessageLoop** loops_ = nullptr;
    int32_t loopCount_ = 0;
};

// The one module object of the process.
AppModule& Module();

// Holds the module lock for a scope.
class ModuleLock {
public:
    ModuleLock() { Module().Lock(); }
    ~ModuleLock() { Module().Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

// True when the program runs with Smartphone behaviour; cached for the process.
bool IsSmartphonePlatform();
// Forgets the cached answer so the next call asks again (tests switch forms).
void ResetSmartphonePlatformCache();

}  // namespace brevitex
