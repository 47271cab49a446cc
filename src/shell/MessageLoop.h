// The per-thread message loop of a frame thread: message filters (offered
// every message before dispatch, newest first) and idle handlers (run once per
// wake-up, in registration order).
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

}  // namespace brevitex
