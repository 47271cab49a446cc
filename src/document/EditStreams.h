// Moving a whole text into and out of a rich edit control through its
// stream messages (plain UTF-16), with checks that nothing was cut short.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// The control's whole text as it streams out (a paragraph mark comes out as
// CR LF). False, with the text empty, when memory ran out on the way.
bool StreamControlOut(HWND edit, WideString& text);

// Replaces the control's content with the text; true only when the control
// then holds every unit of it.
bool StreamControlIn(HWND edit, const WideString& text);

}  // namespace brevitex
