// The program's module, title, module lock and last file-browser folder.
#include "common/Module.h"

namespace brevitex {

namespace {

HINSTANCE g_instance = nullptr;
WideString g_title;

// A critical section that exists before any code runs, so the lock never waits on an unready object.
struct ProcessLock {
    ProcessLock() { InitializeCriticalSection(&section); }
    CRITICAL_SECTION section{};
};
ProcessLock g_moduleLock;

SRWLOCK g_lastFilePathLock = SRWLOCK_INIT;
WideString g_lastFilePath;

}  // namespace

HINSTANCE ProgramInstance() { return g_instance ? g_instance : GetModuleHandleW(nullptr); }

void SetProgramInstance(HINSTANCE instance) { g_instance = instance; }

const wchar_t* ApplicationTitle() { return g_title.c_str(); }

bool SetApplicationTitle(const wchar_t* title, int length) {
    if (!title || length <= 0) {
        g_title.Empty();
        return true;
    }
    return g_title.Assign(title, length);
}

ModuleLock::ModuleLock() { EnterCriticalSection(&g_moduleLock.section); }

ModuleLock::~ModuleLock() { LeaveCriticalSection(&g_moduleLock.section); }

WideString LastFilePath() {
    AcquireSRWLockShared(&g_lastFilePathLock);
    // A copy of its own, so no buffer is shared with the stored value.
    WideString copy(g_lastFilePath.c_str(), g_lastFilePath.Length());
    ReleaseSRWLockShared(&g_lastFilePathLock);
    return copy;
}

void SetLastFilePath(const wchar_t* path) {
    WideString copy(path);
    AcquireSRWLockExclusive(&g_lastFilePathLock);
    g_lastFilePath = copy;
    ReleaseSRWLockExclusive(&g_lastFilePathLock);
}

}  // namespace brevitex
