// SearchEdit: the forward, line-by-line search of an edit control's text used
// by find and replace. An occurrence never spans two lines.
#pragma once

#include <windows.h>

namespace brevitex {

// The position of the first occurrence of text from `from` on, searching line
// by line through the end of the line that holds `to`; -1 when there is none.
// Without matchCase both sides are folded with the platform's case
// conversion; with wholeWord an occurrence must not touch an ASCII letter
// inside its line (digits, punctuation and other scripts are boundaries).
int SearchEdit(HWND edit, int from, int to, const wchar_t* text, bool matchCase, bool wholeWord);

}  // namespace brevitex
