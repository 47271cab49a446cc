// The per-thread message loop of a frame thread: message filters (offered
// every message before dispatch, newest first) and idle handlers (run once per
// wake-up, in registration order), and the process-wide registry that finds
// the calling thread's loop.
#pragma once

#include <windows.h>

#include <vector>

namespace brevitex {

class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message was consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG* message) = 0;
};

class IdleHandler {
public:
    virtual ~IdleHandler() = default;
    virtual void OnIdle() = 0;
};

class MessageLoop {
public:
    // Runs until WM_QUIT and returns its wParam.
    int RunLoop();

    bool AddFilter(MessageFilter* filter);
    bool RemoveFilter(MessageFilter* filter);
    bool AddIdleHandler(IdleHandler* handler);
    bool RemoveIdleHandler(IdleHandler* handler);

    // Offers a message to the filters, newest first; true when one consumed it.
    bool PreTranslate(MSG* message);
    // Runs every idle handler once.
    void RunIdleHandlers();

    const MSG& CurrentMessage() const { return message_; }

private:
    static bool KeepsIdle(UINT message);

    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    MSG message_{};
    int exitValue_ = 0;
};

// The registry of the frame threads' loops, each call under the module lock.
// A thread registers its loop before its windows exist and unregisters it
// after its loop has ended.
bool RegisterThreadLoop(MessageLoop* loop);
bool UnregisterThreadLoop();
// The calling thread's loop, or null.
MessageLoop* ThreadLoop();
int ThreadLoopCount();
// Forgets every registration (the process ends).
void ClearThreadLoops();

}  // namespace brevitex
