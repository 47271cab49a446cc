// The process-wide module object: sets up the program's module and title for
// the lower folders (common/Module.h) and remembers the main thread.
#pragma once

#include <windows.h>

namespace brevitex {

class AppModule {
public:
    // Sets up the module for this process: the program's instance, a copy of
    // the title string 101, the main thread id.
    bool Init(HINSTANCE instance);
    // Forgets the frame threads' loop registrations.
    void Term();

    DWORD MainThreadId() const { return mainThreadId_; }

private:
    DWORD mainThreadId_ = 0;
};

// The one module object of the process.
AppModule& Module();

}  // namespace brevitex
