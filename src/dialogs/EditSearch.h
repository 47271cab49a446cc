// SearchEdit: the forward, line-by-line search of an edit control's text used
// by find and replace. An occurrence never spans two lines.
#pragma once

#include <windows.h>

#include <vector>

namespace brevitex {

// The position of the first occurrence of text from `from` on, searching line
// by line through the end of the line that holds `to`; -1 when there is none.
// Without matchCase both sides are folded with the platform's case
// conversion; with wholeWord an occurrence must not touch an ASCII letter
// inside its line (digits, punctuation and other scripts are boundaries).
int SearchEdit(HWND edit, int from, int to, const wchar_t* text, bool matchCase, bool wholeWord);

// SearchEdit for a search that may read the whole text: an edit view is
// searched in the copy of its text it keeps while the text is unchanged, so
// that searching again reads nothing out of the control; other controls are
// searched as SearchEdit does.
int SearchWholeText(HWND edit, int from, int to, const wchar_t* text, bool matchCase, bool wholeWord);

// The positions in `text` of the occurrences that replacing every one of them
// in turn replaces: each SearchEdit would find from the end of the previous
// replacement on, whose last character (or the character before it, for an
// empty replacement) is the one a whole-word test sees before it. False when
// memory could not be had.
bool OccurrencesToReplace(const wchar_t* text, int length, const wchar_t* find, const wchar_t* replacement,
                          bool matchCase, bool wholeWord, std::vector<int>& sites);

}  // namespace brevitex
