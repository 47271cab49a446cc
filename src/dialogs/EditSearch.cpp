// The line-by-line search. A rich edit control is read forwards in growing
// blocks and split at its line breaks, which costs one pass over the text; the
// control's line queries would cost a walk from the top of the text for every
// line. Other edit controls are read through their line queries.
#include "dialogs/EditSearch.h"

#include <richedit.h>

#include <new>
#include <string_view>

#include "common/WideString.h"
#include "document/EditQueries.h"

namespace brevitex {

namespace {

constexpr int kFirstBlock = 256;
constexpr int kLargestBlock = 1024 * 1024;

bool IsAsciiLetter(wchar_t c) {
    const unsigned folded = static_cast<unsigned>(c) | 0x20u;
    return folded >= 0x61u && folded <= 0x7Au;
}

bool IsLineBreak(wchar_t c) { return c == L'\r' || c == L'\n' || c == L'\v'; }

void FoldCase(wchar_t* text, int length) {
    if (length > 0) CharLowerBuffW(text, static_cast<DWORD>(length));
}

// The first accepted occurrence of needle in line at or after offset, or -1.
int SearchLine(std::wstring_view line, int offset, std::wstring_view needle, bool wholeWord) {
    const int patternLength = static_cast<int>(needle.size());
    const int lineLength = static_cast<int>(line.size());
    while (offset <= lineLength) {
        const size_t hit = line.find(needle, static_cast<size_t>(offset));
        if (hit == std::wstring_view::npos) return -1;
        const int at = static_cast<int>(hit);
        const int end = at + patternLength;
        const bool letterBefore = at > 0 && IsAsciiLetter(line[at - 1]);
        const bool letterAfter = end < lineLength && IsAsciiLetter(line[end]);
        if (!wholeWord || (!letterBefore && !letterAfter)) return at;
        offset = end;
    }
    return -1;
}

// Reads a rich edit control's text forwards from a position, one line at a
// time, through EM_GETTEXTRANGE in blocks that double up to 1M characters.
class LineReader {
public:
    LineReader(HWND edit, int from, bool fold) : edit_(edit), next_(from), bufferStart_(from), fold_(fold) {}

    struct Line {
        std::wstring_view text;  // without its break; valid until the next call
        int start;               // position of its first character
        int end;                 // position of its break, or the end of the text
    };

    // The next line; false after the last one or when memory ran out.
    bool Next(Line* line) {
        for (;;) {
            const wchar_t* data = buffer_.c_str();
            const int length = buffer_.Length();
            for (int i = scan_; i < length; ++i) {
                if (!IsLineBreak(data[i])) continue;
                *line = {std::wstring_view(data + lineBegin_, static_cast<size_t>(i - lineBegin_)),
                         bufferStart_ + lineBegin_, bufferStart_ + i};
                lineBegin_ = scan_ = i + 1;
                return true;
            }
            scan_ = length;
            if (atEnd_) {
                if (finished_) return false;
                finished_ = true;
                *line = {std::wstring_view(data + lineBegin_, static_cast<size_t>(length - lineBegin_)),
                         bufferStart_ + lineBegin_, bufferStart_ + length};
                return true;
            }
            if (!Fill()) return false;
        }
    }

    // Whether the control answers EM_GETTEXTRANGE at all (rich edit controls do).
    static bool Supported(HWND edit) {
        wchar_t probe[2] = {};
        TEXTRANGEW range{{0, 1}, probe};
        return SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)) == 1;
    }

private:
    // Drops the lines already handed out and appends the next block.
    bool Fill() {
        if (lineBegin_ > 0) {
            WideString rest = buffer_.Mid(lineBegin_);
            buffer_ = rest;
            bufferStart_ += lineBegin_;
            scan_ -= lineBegin_;
            lineBegin_ = 0;
        }
        const int length = buffer_.Length();
        wchar_t* data = buffer_.GetBuffer(length + block_);
        if (!data) return false;
        TEXTRANGEW range{{next_, next_ + block_}, data + length};
        const int got = static_cast<int>(SendMessageW(edit_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
        const int read = got < 0 ? 0 : (got > block_ ? block_ : got);
        if (fold_) FoldCase(data + length, read);
        buffer_.ReleaseBuffer(length + read);
        next_ += read;
        if (read < block_) atEnd_ = true;
        if (block_ < kLargestBlock) block_ *= 2;
        return true;
    }

    HWND edit_;
    int next_;         // position of the next character to read
    int bufferStart_;  // position of buffer_[0]
    bool fold_;
    WideString buffer_;
    int lineBegin_ = 0;  // start of the next line in buffer_
    int scan_ = 0;       // where the search for the next break goes on
    int block_ = kFirstBlock;
    bool atEnd_ = false;
    bool finished_ = false;
};

int SearchRichEdit(HWND edit, int from, int to, std::wstring_view needle, bool matchCase, bool wholeWord) {
    // One character before `from` is read too, for the whole-word test of an occurrence there.
    const int readFrom = from > 0 ? from - 1 : 0;
    LineReader reader(edit, readFrom, !matchCase);
    LineReader::Line line;
    while (reader.Next(&line)) {
        const int offset = from > line.start ? from - line.start : 0;
        const int at = SearchLine(line.text, offset, needle, wholeWord);
        if (at >= 0) return line.start + at;
        if (line.end >= to) break;  // the line that holds `to` was the last
    }
    return -1;
}

int SearchByLineQueries(HWND edit, int from, int to, std::wstring_view needle, bool matchCase, bool wholeWord) {
    const int firstLine = static_cast<int>(SendMessageW(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(from), 0));
    const int lastLine = static_cast<int>(SendMessageW(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(to), 0));
    if (firstLine < 0 || lastLine < 0) return -1;
    for (int index = firstLine; index <= lastLine; ++index) {
        const int lineStart = static_cast<int>(SendMessageW(edit, EM_LINEINDEX, static_cast<WPARAM>(index), 0));
        if (lineStart < 0) return -1;
        WideString text;
        if (!LineText(edit, index, text)) return -1;
        if (text.IsEmpty()) continue;
        int length = text.Length();
        while (length > 0 && IsLineBreak(text[length - 1])) --length;
        if (!matchCase) {
            wchar_t* data = text.GetBuffer(text.Length());
            if (!data) return -1;
            FoldCase(data, length);
            text.ReleaseBuffer(text.Length());
        }
        const int offset = index == firstLine && from > lineStart ? from - lineStart : 0;
        const std::wstring_view line(text.c_str(), static_cast<size_t>(length));
        const int at = SearchLine(line, offset, needle, wholeWord);
        if (at >= 0) return lineStart + at;
    }
    return -1;
}

// SearchEdit in a copy of the whole text. A pattern without breaks lies
// inside one line wherever it is found, so the copy is searched in one piece;
// the lines searched end with the one that holds `to`.
int SearchCopy(const WideString& copy, int from, int to, std::wstring_view needle, bool wholeWord) {
    for (wchar_t c : needle) {
        if (IsLineBreak(c)) return -1;
    }
    const int length = copy.Length();
    const wchar_t* data = copy.c_str();
    int end = to < 0 ? 0 : (to > length ? length : to);
    while (end < length && !IsLineBreak(data[end])) ++end;
    if (from > end) return -1;
    // Within [0, end) every hit lies in one line, so the span is searched as one.
    return SearchLine(std::wstring_view(data, static_cast<size_t>(end)), from, needle, wholeWord);
}

bool FoldedCopy(const wchar_t* text, int length, bool fold, WideString& copy) {
    if (!copy.Assign(text, length)) return false;
    if (!fold) return true;
    wchar_t* data = copy.GetBuffer(length);
    if (!data) return false;
    FoldCase(data, length);
    copy.ReleaseBuffer(length);
    return true;
}

}  // namespace

bool OccurrencesToReplace(const wchar_t* text, int length, const wchar_t* find, const wchar_t* replacement,
                          bool matchCase, bool wholeWord, std::vector<int>& sites) {
    sites.clear();
    if (!text || length <= 0 || !find || !*find) return true;
    WideString haystack;
    WideString pattern;
    WideString inserted;
    if (!FoldedCopy(text, length, !matchCase, haystack) ||
        !FoldedCopy(find, static_cast<int>(wcslen(find)), !matchCase, pattern) ||
        !FoldedCopy(replacement ? replacement : L"", replacement ? static_cast<int>(wcslen(replacement)) : 0,
                    !matchCase, inserted)) {
        return false;
    }
    const std::wstring_view needle(pattern.c_str(), static_cast<size_t>(pattern.Length()));
    const int patternLength = pattern.Length();
    const wchar_t* data = haystack.c_str();
    // What stands before `next` once the replacements up to it are made.
    int next = 0;
    wchar_t before = 0;
    for (int lineStart = 0; lineStart <= length;) {
        int lineEnd = lineStart;
        while (lineEnd < length && !IsLineBreak(data[lineEnd])) ++lineEnd;
        const std::wstring_view line(data + lineStart, static_cast<size_t>(lineEnd - lineStart));
        const int lineLength = lineEnd - lineStart;
        for (int offset = next > lineStart ? next - lineStart : 0; offset <= lineLength;) {
            const size_t hit = line.find(needle, static_cast<size_t>(offset));
            if (hit == std::wstring_view::npos) break;
            const int at = static_cast<int>(hit);
            const int end = at + patternLength;
            wchar_t left = at > 0 ? line[at - 1] : 0;
            if (at > 0 && lineStart + at == next && !sites.empty()) left = before;
            const bool letterAfter = end < lineLength && IsAsciiLetter(line[end]);
            if (!wholeWord || (!IsAsciiLetter(left) && !letterAfter)) {
                try {
                    sites.push_back(lineStart + at);
                } catch (const std::bad_alloc&) {
                    sites.clear();
                    return false;
                }
                next = lineStart + end;
                before = inserted.IsEmpty() ? left : inserted[inserted.Length() - 1];
            }
            offset = end;
        }
        lineStart = lineEnd + 1;
    }
    return true;
}

int SearchWholeText(HWND edit, int from, int to, const wchar_t* text, bool matchCase, bool wholeWord) {
    if (!text || !*text || from < 0) return -1;
    const auto* copy = reinterpret_cast<const WideString*>(
        SendMessageW(edit, UWM_GET_SEARCH_COPY, matchCase ? 0 : 1, 0));
    if (!copy) return SearchEdit(edit, from, to, text, matchCase, wholeWord);
    WideString pattern;
    if (!FoldedCopy(text, static_cast<int>(wcslen(text)), !matchCase, pattern)) return -1;
    return SearchCopy(*copy, from, to, std::wstring_view(pattern.c_str(), static_cast<size_t>(pattern.Length())),
                      wholeWord);
}

int SearchEdit(HWND edit, int from, int to, const wchar_t* text, bool matchCase, bool wholeWord) {
    // An empty pattern matches nowhere (it would match everywhere without progress).
    if (!text || !*text || from < 0) return -1;
    WideString pattern(text);
    if (!matchCase) {
        wchar_t* data = pattern.GetBuffer(pattern.Length());
        if (!data) return -1;
        FoldCase(data, pattern.Length());
        pattern.ReleaseBuffer(pattern.Length());
    }
    const std::wstring_view needle(pattern.c_str(), static_cast<size_t>(pattern.Length()));
    if (LineReader::Supported(edit)) return SearchRichEdit(edit, from, to, needle, matchCase, wholeWord);
    return SearchByLineQueries(edit, from, to, needle, matchCase, wholeWord);
}

}  // namespace brevitex
