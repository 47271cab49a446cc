// Line-break detection and rewriting.
#include "document/LineBreaks.h"

#include <cstdint>
#include <utility>

namespace brevitex {

namespace {

// Length in units of the break that starts at text[i] (0 when none), and
// whether it is a soft break when those are recognised.
int BreakAt(const wchar_t* text, int length, int i, bool softBreaks, bool& soft) {
    soft = false;
    wchar_t unit = text[i];
    if (unit == L'\n') return 1;
    if (unit != L'\r') return 0;
    if (i + 1 < length && text[i + 1] == L'\n') return 2;
    if (softBreaks && i + 2 < length && text[i + 1] == L'\r' && text[i + 2] == L'\n') {
        soft = true;
        return 3;
    }
    return 1;
}

int StyleLength(LineBreak style) { return style == LineBreak::CrLf ? 2 : 1; }

// Writes the text with its breaks rewritten to out, which may be the text itself
// when no break grows. Returns the units written.
int Rewrite(const wchar_t* text, int length, LineBreak style, bool softBreaks, wchar_t* out) {
    int written = 0;
    for (int i = 0; i < length;) {
        bool soft = false;
        int breakLength = BreakAt(text, length, i, softBreaks, soft);
        if (breakLength == 0) {
            out[written++] = text[i++];
            continue;
        }
        i += breakLength;
        if (soft) continue;
        if (style == LineBreak::CrLf) {
            out[written++] = L'\r';
            out[written++] = L'\n';
        } else {
            out[written++] = style == LineBreak::Cr ? L'\r' : L'\n';
        }
    }
    return written;
}

}  // namespace

LineBreak DetectLineBreak(const wchar_t* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] == L'\n') return LineBreak::Lf;
        if (text[i] == L'\r') {
            return (i + 1 < length && text[i + 1] == L'\n') ? LineBreak::CrLf : LineBreak::Cr;
        }
    }
    return LineBreak::CrLf;
}

bool RewriteLineBreaks(WideString& text, LineBreak style, bool dropSoftBreaks) {
    const wchar_t* source = text.c_str();
    int length = text.Length();
    int64_t outLength = 0;
    bool changed = false;
    bool grows = false;
    int styleLength = StyleLength(style);
    for (int i = 0; i < length;) {
        bool soft = false;
        int breakLength = BreakAt(source, length, i, dropSoftBreaks, soft);
        if (breakLength == 0) {
            ++outLength;
            ++i;
            continue;
        }
        if (soft) {
            changed = true;
        } else {
            outLength += styleLength;
            if (breakLength != styleLength || (style == LineBreak::Lf) != (source[i] == L'\n')) changed = true;
            if (styleLength > breakLength) grows = true;
        }
        i += breakLength;
    }
    if (!changed) return true;
    if (outLength > INT32_MAX - 1) return false;
    if (!grows) {
        // Every break keeps or loses length: rewrite in place.
        wchar_t* buffer = text.GetBuffer(length);
        if (!buffer) return false;
        text.ReleaseBuffer(Rewrite(buffer, length, style, dropSoftBreaks, buffer));
        return true;
    }
    WideString rewritten;
    wchar_t* out = rewritten.GetBuffer(static_cast<int>(outLength));
    if (!out) return false;
    rewritten.ReleaseBuffer(Rewrite(source, length, style, dropSoftBreaks, out));
    text = std::move(rewritten);
    return true;
}

}  // namespace brevitex
