// The main thread's manager of frame threads: starts one UI thread per window
// request (at most 63 at a time), waits for them together with its own message
// queue, and returns when the last one has ended.
#pragma once

#include <windows.h>

namespace brevitex {

// What a new frame thread receives; owned and freed by that thread.
struct FrameStartData {
    wchar_t* commandLine;  // heap copy (process heap), may be null
    int showCommand;
    HANDLE windowMade;     // event set once the frame window exists or failed; may be null
    wchar_t* recoveryFile;  // heap copy: a recovery copy to restore, or null
};

class FrameThreadManager {
public:
    static constexpr DWORD kMaxThreads = 63;

    // Starts the first frame thread, one more for each recovery copy a
    // process that ended left (the first takes one itself when it has no
    // file to open), and serves UWM_NEW_FRAME until no frame thread is left.
    // Returns the count right after the first start (1 or 0). Takes
    // ownership of commandLine (a process-heap copy). A start-up lock (a
    // mutex this thread owns) is released once the first frame window exists
    // or its thread has failed, so that copies waiting on it find it.
    DWORD RunThreads(wchar_t* commandLine, int showCommand, HANDLE startupLock = nullptr);

    // Starts a frame thread; returns its id, or 0 when none was started.
    // Takes ownership of commandLine and recoveryFile (process-heap copies),
    // freed on failure. windowMade, when given, is set by the thread once its
    // window exists or failed. A refusal is told on a thread of its own, so
    // every refused request is told.
    DWORD StartFrameThread(wchar_t* commandLine, int showCommand, HANDLE windowMade = nullptr,
                           wchar_t* recoveryFile = nullptr);

    // Closes the handle at index and moves the last handle into its slot.
    void ForgetFrameThread(DWORD index);

    DWORD Count() const { return count_; }

private:
    DWORD count_ = 0;
    HANDLE handles_[kMaxThreads] = {};
};

// Called by a frame thread as it ends, after its window is gone; true when no
// other frame thread was running, so the process is ending with it.
bool EndingLastFrameThread();

// A process-heap copy of text (null text gives an empty copy); null when out of memory.
wchar_t* DuplicateOnHeap(const wchar_t* text, size_t maxUnits = static_cast<size_t>(-1));
void FreeOnHeap(void* block);

}  // namespace brevitex
