// Process entry: the single-instance check and hand-over, and the life of the
// first running copy around its frame thread manager.
#pragma once

#include <windows.h>

namespace brevitex {

inline constexpr wchar_t kInstanceMutexName[] = L"ZuzodurIzaVazed";

// Returns the process exit code.
int RunProcess(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

}  // namespace brevitex
