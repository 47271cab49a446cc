// Process entry: single instance, hand-over to the running copy, and start-up
// and teardown of the first copy.
#include "shell/ProcessEntry.h"

#include <objbase.h>

#include <cwchar>

#include "shell/AppModule.h"
#include "shell/FrameThread.h"
#include "shell/FrameThreadManager.h"

namespace brevitex {

namespace {

constexpr int kFindWindowTries = 25;
// Long enough for a first copy to make its window on a loaded machine; a
// copy that waited longer decides on its own, as it would without the lock.
constexpr DWORD kStartupWaitMs = 30000;

// Taken by every copy before it tests the instance mutex and, in the first
// copy, held until its first frame window exists: copies launched at the same
// moment then find that window instead of each starting as a first copy.
HANDLE TakeStartupLock() {
    HANDLE lock = CreateMutexW(nullptr, FALSE, kStartupMutexName);
    if (!lock) return nullptr;
    const DWORD wait = WaitForSingleObject(lock, kStartupWaitMs);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return lock;
    CloseHandle(lock);
    return nullptr;
}

void DropStartupLock(HANDLE& lock) {
    if (!lock) return;
    ReleaseMutex(lock);
    CloseHandle(lock);
    lock = nullptr;
}

// Hands the command line to a running copy; false when no window of it was found.
bool HandOver(const wchar_t* commandLine, int showCommand) {
    HWND running = nullptr;
    for (int i = 0; i < kFindWindowTries && !running; ++i) running = FindWindowW(kFrameClassName, nullptr);
    if (!running) return false;
    COPYDATASTRUCT data{};
    data.dwData = static_cast<ULONG_PTR>(showCommand);
    data.cbData = static_cast<DWORD>((wcslen(commandLine) + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(commandLine);
    SendMessageW(running, WM_COPYDATA, reinterpret_cast<WPARAM>(running), reinterpret_cast<LPARAM>(&data));
    return true;
}

}  // namespace

int RunProcess(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    if (!commandLine) commandLine = L"";
    HANDLE startupLock = TakeStartupLock();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        mutex = nullptr;
        DropStartupLock(startupLock);
        if (HandOver(commandLine, showCommand)) return 0;
    }

    Module().Init(instance);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HMODULE richEdit = LoadLibraryW(L"RICHED20.DLL");

    DWORD result = 0;
    if (wchar_t* copy = DuplicateOnHeap(commandLine)) {
        FrameThreadManager manager;
        result = manager.RunThreads(copy, showCommand, startupLock);
        // Released by the manager once the first window was made.
        if (startupLock) CloseHandle(startupLock);
        startupLock = nullptr;
    }
    DropStartupLock(startupLock);

    if (richEdit) FreeLibrary(richEdit);
    Module().Term();
    CoUninitialize();
    if (mutex) CloseHandle(mutex);
    return static_cast<int>(result);
}

}  // namespace brevitex
