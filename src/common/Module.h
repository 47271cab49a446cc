// What the lower folders need to know about the running program: its module
// (resources, window classes), its title, the module lock and the folder last
// confirmed in the file browser. The process entry sets these once at start-up.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// The module that holds the program's resources and window classes: the one
// set at start-up, else the executable's own.
HINSTANCE ProgramInstance();
void SetProgramInstance(HINSTANCE instance);

// The application title (string 101 of the program's module); empty before it is set.
const wchar_t* ApplicationTitle();
// Keeps a copy of the title; set at start-up, before any frame thread runs.
bool SetApplicationTitle(const wchar_t* title, int length);

// Holds the process-wide module lock for a scope. It guards the message-loop
// registry and the one-time window-class registrations.
class ModuleLock {
public:
    ModuleLock();
    ~ModuleLock();
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

// The folder last confirmed in the file browser, shared by every frame thread
// (read and written under a lock of its own).
WideString LastFilePath();
void SetLastFilePath(const wchar_t* path);

}  // namespace brevitex
