// A document's line-break style and the rewriting of breaks between a file's
// text and the rich edit control. The control turns every break it is given
// into a paragraph mark and streams each mark out as CR LF; three units CR CR
// LF it takes as one soft break and loses. So the view feeds it a single CR
// per break (a file's CR CR LF being one break too) and, on the way out,
// writes every break in the document's style.
#pragma once

#include "common/WideString.h"

namespace brevitex {

enum class LineBreak {
    CrLf,
    Lf,
    Cr,
    CrCrLf,  // the trace of a CR LF file converted once more
};

// What a text's breaks are: the style it is to be saved in and whether more
// than one kind was found (saving then unifies them).
struct LineBreakSurvey {
    LineBreak style = LineBreak::CrLf;
    bool mixed = false;
};

// The most frequent kind of break in the text (CR LF, LF, a lone CR or CR CR
// LF), a tie going to the kind met first; CR LF when the text has none.
LineBreakSurvey SurveyLineBreaks(const wchar_t* text, int length);
inline LineBreak DetectLineBreak(const wchar_t* text, int length) { return SurveyLineBreaks(text, length).style; }

// Rewrites every break of the text (CR CR LF, CR LF, a lone CR, a lone LF) as
// one break of the given style. With dropSoftBreaks, CR CR LF is taken as the
// control's soft line-break mark and removed. False when memory could not be
// had; the text is then unchanged.
bool RewriteLineBreaks(WideString& text, LineBreak style, bool dropSoftBreaks);

}  // namespace brevitex
