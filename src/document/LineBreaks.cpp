// Line-break detection and rewriting.
#include "document/LineBreaks.h"

#include <cstdint>
#include <utility>

namespace brevitex {

namespace {

// Length in units of the break that starts at text[i] (0 when none). CR CR LF
// is one break of three units, soft when soft breaks are recognised.
int BreakAt(const wchar_t* text, int length, int i, bool softBreaks, bool& soft) {
    soft = false;
    wchar_t unit = text[i];
    if (unit == L'\n') return 1;
    if (unit != L'\r') return 0;
    if (i + 1 < length && text[i + 1] == L'\n') return 2;
    if (i + 2 < length && text[i + 1] == L'\r' && text[i + 2] == L'\n') {
        soft = softBreaks;
        return 3;
    }
    return 1;
}

int StyleLength(LineBreak style) {
    switch (style) {
        case LineBreak::CrLf: return 2;
        case LineBreak::CrCrLf: return 3;
        default: return 1;
    }
}

// The kind of a break of the given length starting with the given unit.
LineBreak KindOf(wchar_t first, int breakLength) {
    if (breakLength == 3) return LineBreak::CrCrLf;
    if (breakLength == 2) return LineBreak::CrLf;
    return first == L'\n' ? LineBreak::Lf : LineBreak::Cr;
}

wchar_t* PutBreak(wchar_t* out, LineBreak style) {
    switch (style) {
        case LineBreak::CrCrLf: *out++ = L'\r'; [[fallthrough]];
        case LineBreak::CrLf: *out++ = L'\r'; *out++ = L'\n'; break;
        case LineBreak::Cr: *out++ = L'\r'; break;
        case LineBreak::Lf: *out++ = L'\n'; break;
    }
    return out;
}

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
        written = static_cast<int>(PutBreak(out + written, style) - out);
    }
    return written;
}

}  // namespace

LineBreakSurvey SurveyLineBreaks(const wchar_t* text, int length) {
    constexpr int kKinds = 4;
    int64_t counts[kKinds] = {};
    int firstSeen[kKinds] = {length, length, length, length};
    for (int i = 0; i < length;) {
        bool soft = false;
        int breakLength = BreakAt(text, length, i, false, soft);
        if (breakLength == 0) {
            ++i;
            continue;
        }
        int kind = static_cast<int>(KindOf(text[i], breakLength));
        if (counts[kind]++ == 0) firstSeen[kind] = i;
        i += breakLength;
    }
    LineBreakSurvey survey;
    int kinds = 0;
    int best = -1;
    for (int kind = 0; kind < kKinds; ++kind) {
        if (counts[kind] == 0) continue;
        ++kinds;
        if (best < 0 || counts[kind] > counts[best] ||
            (counts[kind] == counts[best] && firstSeen[kind] < firstSeen[best])) {
            best = kind;
        }
    }
    if (best >= 0) survey.style = static_cast<LineBreak>(best);
    survey.mixed = kinds > 1;
    return survey;
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
            if (KindOf(source[i], breakLength) != style) changed = true;
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
