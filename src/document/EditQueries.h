// Caret and text queries that work on any edit control, the view's rich edit
// as well as the plain edit boxes of the dialogs.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// Sent to the view's control by Replace All: lParam points to a ReplacedText;
// the view shows that text, modified, with the caret at `caret`, in a new
// control, which it returns; 0 when it took nothing. Other controls answer 0.
inline constexpr UINT UWM_TAKE_REPLACED_TEXT = WM_APP + 0x191;
struct ReplacedText {
    const WideString* text;
    int caret;
};

// Sent to the view's control by Find Next: a copy of its whole text, each
// break one CR as in the control, folded to lower case when wParam is 1. The
// view keeps it until a message that may change the text; the result is a
// const WideString*, or 0 where there is none.
inline constexpr UINT UWM_GET_SEARCH_COPY = WM_APP + 0x192;

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
