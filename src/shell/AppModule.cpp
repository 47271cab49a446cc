// The module object: start-up and shut-down of the process-wide state.
#include "shell/AppModule.h"

#include "common/MessageLoop.h"
#include "common/Module.h"

namespace brevitex {

namespace {

AppModule g_module;

constexpr UINT kTitleId = 101;

}  // namespace

AppModule& Module() { return g_module; }

bool AppModule::Init(HINSTANCE instance) {
    SetProgramInstance(instance);
    // With a buffer size of 0 the platform hands back a pointer into the read-only
    // resource, which is not NUL-terminated: the title keeps a copy of its length.
    const wchar_t* title = nullptr;
    int length = LoadStringW(instance, kTitleId, reinterpret_cast<LPWSTR>(&title), 0);
    bool ok = SetApplicationTitle(length > 0 ? title : nullptr, length);
    mainThreadId_ = GetCurrentThreadId();
    return ok;
}

void AppModule::Term() { ClearThreadLoops(); }

}  // namespace brevitex
