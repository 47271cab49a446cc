// Process entry: the single-instance check and hand-over, and the life of the
// first running copy around its frame thread manager.
#pragma once

#include <windows.h>

namespace brevitex {

inline constexpr wchar_t kInstanceMutexName[] = L"ZuzodurIzaVazed";
// Held by a copy while it decides whether it is the first, and by the first
// copy until its first frame window exists.
inline constexpr wchar_t kStartupMutexName[] = L"ZuzodurIzaVazed.Starting";

// Returns the process exit code.
int RunProcess(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

}  // namespace brevitex
