// The stream callbacks and cookies of the rich edit control.
#include "document/EditStreams.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

namespace brevitex {

namespace {

constexpr WPARAM kStreamFormat = SF_TEXT | SF_UNICODE;

// A long text goes in as about kPieces pieces of at least kMinPiece units.
// Measured under Wine on 10 MiB: one insertion of the whole text takes over
// ten times as long as one stream, a hundred pieces a quarter less than the
// stream, a thousand pieces about as long.
constexpr int kPieces = 100;
constexpr int kMinPiece = 64 * 1024;
// The first piece is at most kMinPiece units (a first piece of a million
// took 0.8 s). A piece that takes longer than this to go in halves the next
// one (the control slows down over stretches of a long fill: 100,000 units
// were seen to take 140 ms), so that the thread gets to listen often; one
// quicker than kQuickPieceUs lets the next grow, up to the text's piece size.
constexpr int64_t kSlowPieceUs = 40000;
constexpr int64_t kQuickPieceUs = 15000;
constexpr int kSmallestPiece = 8 * 1024;

int64_t Microseconds() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return count.QuadPart * 1000000 / frequency.QuadPart;
}

// Stream-in cookie: the next unit to hand over and the end of the text, and
// who hears how far it came (null: nobody).
struct StreamInCookie {
    const wchar_t* next;
    const wchar_t* end;
    const wchar_t* start = nullptr;
    StreamProgress* progress = nullptr;
};

DWORD CALLBACK StreamInFromBuffer(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* given);

// Streams the text in, through the control's own procedure; true when it all went in.
bool StreamIn(HWND edit, WNDPROC proc, const WideString& text, StreamProgress* progress) {
    StreamInCookie cookie{text.c_str(), text.c_str() + text.Length(), text.c_str(), progress};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, StreamInFromBuffer};
    CallWindowProcW(proc, edit, EM_STREAMIN, kStreamFormat, reinterpret_cast<LPARAM>(&stream));
    if (progress) progress->Streamed(static_cast<int>(cookie.next - cookie.start), text.Length());
    if (stream.dwError != 0 || cookie.next != cookie.end) return false;
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return CallWindowProcW(proc, edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0) == text.Length();
}

DWORD CALLBACK StreamInFromBuffer(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* given) {
    auto* in = reinterpret_cast<StreamInCookie*>(cookie);
    *given = 0;
    if (in->progress) {
        in->progress->Streamed(static_cast<int>(in->next - in->start), static_cast<int>(in->end - in->start));
        if (in->progress->Cancelled()) return 1;
    }
    LONG units = requested / 2;
    LONG left = static_cast<LONG>(in->end - in->next);
    if (units > left) units = left;
    if (units < 0) units = 0;
    memcpy(buffer, in->next, static_cast<size_t>(units) * sizeof(wchar_t));
    in->next += units;
    *given = units * 2;
    return 0;
}

// Stream-out cookie: the string being filled, held writable while the control
// streams, with its own length so a NUL unit in the text is kept.
class StreamOutCookie {
public:
    explicit StreamOutCookie(WideString& text) : text_(text) {}

    bool Reserve(int units) {
        buffer_ = text_.GetBuffer(units);
        capacity_ = buffer_ ? text_.Capacity() : 0;
        return buffer_ != nullptr;
    }

    bool Append(const wchar_t* units, int count) {
        if (count > INT32_MAX - 2 - length_) return false;
        int needed = length_ + count + 2;
        if (needed > capacity_ && !Grow(needed)) return false;
        memcpy(buffer_ + length_, units, static_cast<size_t>(count) * sizeof(wchar_t));
        length_ += count;
        buffer_[length_] = 0;
        return true;
    }

    // Hands the text back to its string.
    void Finish() {
        if (buffer_) text_.ReleaseBuffer(length_);
        buffer_ = nullptr;
    }

private:
    bool Grow(int needed) {
        int64_t wanted = static_cast<int64_t>(capacity_) + capacity_ / 2;
        if (wanted < needed) wanted = needed;
        if (wanted > INT32_MAX - 1) wanted = INT32_MAX - 1;
        // A string released with length 0 gives its block up; keep nothing then.
        if (length_ > 0) text_.ReleaseBuffer(length_);
        buffer_ = text_.GetBuffer(static_cast<int>(wanted));
        if (!buffer_) {
            capacity_ = 0;
            return false;
        }
        capacity_ = text_.Capacity();
        return true;
    }

    WideString& text_;
    wchar_t* buffer_ = nullptr;
    int length_ = 0;
    int capacity_ = 0;
};

DWORD CALLBACK StreamOutToString(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* taken) {
    auto* out = reinterpret_cast<StreamOutCookie*>(cookie);
    *taken = 0;
    int units = count / 2;
    if (units <= 0) return 0;
    // Out of memory ends the stream; the caller sees the error and uses nothing.
    if (!out->Append(reinterpret_cast<const wchar_t*>(buffer), units)) return 1;
    *taken = units * 2;
    return 0;
}

}  // namespace

bool StreamControlOut(HWND edit, WideString& text) {
    text.Empty();
    StreamOutCookie cookie(text);
    if (!cookie.Reserve(GetWindowTextLengthW(edit))) return false;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, StreamOutToString};
    SendMessageW(edit, EM_STREAMOUT, kStreamFormat, reinterpret_cast<LPARAM>(&stream));
    cookie.Finish();
    if (stream.dwError != 0) {
        text.Empty();
        return false;
    }
    return true;
}

namespace {

bool HoldsWhole(HWND edit, WNDPROC proc, int length) {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return CallWindowProcW(proc, edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0) == length;
}

// Where the piece from `from` ends: never between the two units of a surrogate pair.
int PieceEnd(const wchar_t* text, int length, int from, int piece) {
    if (length - from <= piece) return length;
    int to = from + piece;
    if (IS_HIGH_SURROGATE(text[to - 1])) ++to;
    return to;
}

bool PutPieces(HWND edit, WNDPROC proc, const WideString& text, StreamProgress* progress) {
    const int length = text.Length();
    const wchar_t* units = text.c_str();
    int piece = length / kPieces > kMinPiece ? length / kPieces : kMinPiece;
    if (piece > length) piece = length;
    // An insertion ends at the first NUL unit, and each piece lays out the
    // whole line it ends in again: such texts go in as one stream, laid out once.
    std::unique_ptr<wchar_t[]> buffer;
    if (wmemchr(units, 0, static_cast<size_t>(length)) == nullptr && !HasLineLongerThan(units, length, piece)) {
        buffer.reset(new (std::nothrow) wchar_t[piece + 2]);
    }
    if (!buffer) {
        CHARRANGE all{0, -1};
        CallWindowProcW(proc, edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        return StreamIn(edit, proc, text, progress);
    }
    // No change notices for the pieces; the first replaces everything, the
    // next go in at the end, where the caret is left.
    LRESULT events = CallWindowProcW(proc, edit, EM_SETEVENTMASK, 0, 0);
    CHARRANGE all{0, -1};
    CallWindowProcW(proc, edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    int from = 0;
    int size = std::min(piece, kMinPiece);
    do {
        int to = PieceEnd(units, length, from, size);
        wmemcpy(buffer.get(), units + from, static_cast<size_t>(to - from));
        buffer[to - from] = 0;
        const int64_t started = Microseconds();
        CallWindowProcW(proc, edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(buffer.get()));
        const int64_t took = Microseconds() - started;
        if (took > kSlowPieceUs) size = std::max(size / 2, std::min(kSmallestPiece, piece));
        if (took < kQuickPieceUs) size = std::min(size * 2, piece);
        from = to;
        if (progress) {
            progress->Streamed(from, length);
            if (progress->Cancelled()) break;
        }
    } while (from < length);
    CallWindowProcW(proc, edit, EM_SETEVENTMASK, 0, events);
    return from == length && HoldsWhole(edit, proc, length);
}

}  // namespace

bool PutControlText(HWND edit, WNDPROC proc, const WideString& text, StreamProgress* progress) {
    // A shown control repaints itself after every piece, each time through
    // the view's own handling; it paints once, when the whole text is in.
    bool shown = (GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown) CallWindowProcW(proc, edit, WM_SETREDRAW, FALSE, 0);
    bool whole = PutPieces(edit, proc, text, progress);
    if (shown) {
        CallWindowProcW(proc, edit, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(edit, nullptr, TRUE);
    }
    return whole;
}

bool HasLineLongerThan(const wchar_t* units, int length, int limit) {
    int lineStart = 0;
    for (const wchar_t* hit; (hit = wmemchr(units + lineStart, L'\r', static_cast<size_t>(length - lineStart)));) {
        const int at = static_cast<int>(hit - units);
        if (at - lineStart > limit) return true;
        lineStart = at + 1;
    }
    return length - lineStart > limit;
}

bool StreamControlIn(HWND edit, const WideString& text) {
    return StreamIn(edit, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC)), text, nullptr);
}

}  // namespace brevitex
