// Frame thread manager: start-up of frame threads and the main thread's wait loop.
#include "shell/FrameThreadManager.h"

#include <atomic>
#include <vector>

#include "device/DeviceShell.h"
#include "document/RecoveryFile.h"
#include "common/Messages.h"
#include "common/Module.h"
#include "shell/FrameThread.h"

namespace brevitex {

namespace {

// Frame threads started and not yet ending, across the process.
std::atomic<int> g_runningFrames{0};

void ShowManagerError(const wchar_t* text) { DeviceMessageBox(nullptr, text, ApplicationTitle(), MB_OK); }

DWORD WINAPI RefusalThreadProc(void* text) {
    ShowManagerError(static_cast<const wchar_t*>(text));
    return 0;
}

// A refused window request is told from a thread of its own: a box on the
// main thread would run its own message loop, which drops the requests that
// arrive meanwhile untold. The box ends with the process if still open then.
void TellRefusal(const wchar_t* text) {
    HANDLE thread = CreateThread(nullptr, 0, RefusalThreadProc, const_cast<wchar_t*>(text), 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        ShowManagerError(text);
    }
}

}  // namespace

wchar_t* DuplicateOnHeap(const wchar_t* text, size_t maxUnits) {
    size_t length = 0;
    if (text) {
        while (length < maxUnits && text[length]) ++length;
    }
    auto* copy = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (length + 1) * sizeof(wchar_t)));
    if (!copy) return nullptr;
    if (length) memcpy(copy, text, length * sizeof(wchar_t));
    copy[length] = 0;
    return copy;
}

void FreeOnHeap(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

bool EndingLastFrameThread() { return g_runningFrames.fetch_sub(1) == 1; }

DWORD FrameThreadManager::RunThreads(wchar_t* commandLine, int showCommand, HANDLE startupLock) {
    // Make sure this thread has a message queue before anyone posts to it.
    MSG msg;
    PeekMessageW(&msg, nullptr, UWM_NEW_FRAME, UWM_NEW_FRAME, PM_NOREMOVE);

    // Documents a crashed process left come back, each in a window of its own.
    std::vector<WideString> recovered = OrphanedRecoveryFiles();
    size_t next = 0;
    wchar_t* firstRecovery = nullptr;
    if (commandLine && !commandLine[0] && !recovered.empty()) firstRecovery = DuplicateOnHeap(recovered[next++]);
    HANDLE windowMade = startupLock ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
    StartFrameThread(commandLine, showCommand, windowMade, firstRecovery);
    DWORD result = count_;
    // Copies waiting on the start-up lock look for this window next.
    if (windowMade && count_ > 0) {
        HANDLE either[] = {windowMade, handles_[0]};
        WaitForMultipleObjects(2, either, FALSE, INFINITE);
    }
    if (windowMade) CloseHandle(windowMade);
    if (startupLock) ReleaseMutex(startupLock);
    for (; next < recovered.size() && count_ > 0; ++next) {
        StartFrameThread(DuplicateOnHeap(L""), showCommand, nullptr, DuplicateOnHeap(recovered[next]));
    }

    while (count_ > 0) {
        // MWMO_INPUTAVAILABLE: wake for every queued message, not only for input
        // that arrived after the last peek (several requests may be queued at once).
        DWORD wait = MsgWaitForMultipleObjectsEx(count_, handles_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_FAILED) {
            ShowManagerError(L"ERROR: Wait for multiple objects failed!!!");
        } else if (wait < WAIT_OBJECT_0 + count_) {
            ForgetFrameThread(wait - WAIT_OBJECT_0);
        } else if (wait == WAIT_OBJECT_0 + count_) {
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == UWM_NEW_FRAME) {
                StartFrameThread(reinterpret_cast<wchar_t*>(msg.lParam), static_cast<int>(msg.wParam));
            }
        } else {
            MessageBeep(static_cast<UINT>(-1));
        }
    }
    return result;
}

DWORD FrameThreadManager::StartFrameThread(wchar_t* commandLine, int showCommand, HANDLE windowMade,
                                           wchar_t* recoveryFile) {
    if (count_ == kMaxThreads) {
        FreeOnHeap(commandLine);
        FreeOnHeap(recoveryFile);
        TellRefusal(L"ERROR: Cannot create ANY MORE threads!!!");
        return 0;
    }
    auto* data = static_cast<FrameStartData*>(HeapAlloc(GetProcessHeap(), 0, sizeof(FrameStartData)));
    if (!data) {
        FreeOnHeap(commandLine);
        FreeOnHeap(recoveryFile);
        TellRefusal(L"ERROR: Cannot create thread!!!");
        return 0;
    }
    data->commandLine = commandLine;
    data->showCommand = showCommand;
    data->windowMade = windowMade;
    data->recoveryFile = recoveryFile;
    DWORD threadId = 0;
    g_runningFrames.fetch_add(1);
    HANDLE thread = CreateThread(nullptr, 0, FrameThreadProc, data, 0, &threadId);
    if (!thread) {
        g_runningFrames.fetch_sub(1);
        FreeOnHeap(commandLine);
        FreeOnHeap(recoveryFile);
        FreeOnHeap(data);
        TellRefusal(L"ERROR: Cannot create thread!!!");
        return 0;
    }
    handles_[count_++] = thread;
    return threadId;
}

void FrameThreadManager::ForgetFrameThread(DWORD index) {
    if (index >= count_) return;
    CloseHandle(handles_[index]);
    --count_;
    handles_[index] = handles_[count_];
    handles_[count_] = nullptr;
}

}  // namespace brevitex
