// Moving a whole text into and out of a rich edit control (plain UTF-16),
// with checks that nothing was cut short.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// The control's whole text as it streams out (a paragraph mark comes out as
// CR LF). False, with the text empty, when memory ran out on the way.
bool StreamControlOut(HWND edit, WideString& text);

// Replaces the control's content with the text through one stream; true only
// when the control then holds every unit of it.
bool StreamControlIn(HWND edit, const WideString& text);

// Whether a text with a CR for each break holds a line longer than limit units.
bool HasLineLongerThan(const wchar_t* units, int length, int limit);

// Told how far the control has taken a text in; may ask for the rest to be left out.
class StreamProgress {
public:
    virtual void Streamed(int units, int total) = 0;
    // Whether the text is no longer wanted: the filling stops short.
    virtual bool Cancelled() const { return false; }

protected:
    ~StreamProgress() = default;
};

// Replaces the control's content with the text, handing every message to
// `proc` (the control's own procedure: nothing in front of it hears of the
// work). A long text goes in as pieces, each laid out before the next, and
// the progress hears after each; that is also quicker than one stream. A text
// holding a NUL unit, or a line longer than a piece, goes in as one stream,
// the progress hearing as it goes: every piece after the first would lay out
// the whole long line again. True only when the control then holds every
// unit of the text (never after the progress cancelled it).
bool PutControlText(HWND edit, WNDPROC proc, const WideString& text, StreamProgress* progress);

}  // namespace brevitex
