// A document's line-break style and the rewriting of breaks between a file's
// text and the rich edit control. The control turns every break it is given
// into a paragraph mark and streams each mark out as CR LF; three units CR CR
// LF it takes as one soft break and loses. So the view feeds it a single CR
// per break and, on the way out, writes every break in the document's style.
#pragma once

#include "common/WideString.h"

namespace brevitex {

enum class LineBreak {
    CrLf,
    Lf,
    Cr,
};

// The style of the first break in the text (CR LF, LF or a lone CR); CR LF
// when the text has none.
LineBreak DetectLineBreak(const wchar_t* text, int length);

// Rewrites every break of the text (CR LF, a lone CR, a lone LF) as one break
// of the given style. With dropSoftBreaks, CR CR LF is taken as a control's
// soft line-break mark and removed. False when memory could not be had; the
// text is then unchanged.
bool RewriteLineBreaks(WideString& text, LineBreak style, bool dropSoftBreaks);

}  // namespace brevitex
