// The frame threads' message loop with filters and idle handlers.
#include "shell/MessageLoop.h"

#include <algorithm>

namespace brevitex {

namespace {
constexpr UINT kSystemTimer = 0x0118;
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
