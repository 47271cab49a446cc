// The receiver of command states: what a window's state computation (the
// view's UpdateCommandUI) sets, implemented by the frame's UI-update table.
#pragma once

#include <windows.h>

namespace brevitex {

class CommandStateSink {
public:
    virtual ~CommandStateSink() = default;
    virtual void Enable(UINT id, bool on) = 0;
    virtual void Check(UINT id, bool on) = 0;
};

}  // namespace brevitex
