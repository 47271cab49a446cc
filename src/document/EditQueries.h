// Caret and text queries that work on any edit control, the view's rich edit
// as well as the plain edit boxes of the dialogs.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// The 1-based line and column of the end of the selection (the caret).
// False when the window answers no edit messages.
bool CaretPosition(HWND edit, int& line, int& column);

// The part of the selection that lies in the line where the selection starts;
// empty for an empty selection. False only when memory could not be had.
bool SelectedLineText(HWND edit, WideString& text);

// The text of a 0-based line, without its line break. False only when memory
// could not be had.
bool LineText(HWND edit, int line, WideString& text);

// The whole text of any window; empty when it has none. False only when
// memory could not be had.
bool WindowTextString(HWND window, WideString& text);

}  // namespace brevitex
