// The text codec: strict UTF-8 <-> UTF-16 routines with ASCII fast paths, the
// decoding of a file image (BOM, strict UTF-8, then code page) and the encoding
// of text for saving (UTF-8, UTF-16 or code page with the UTF-16 fallback).
#include "document/TextCodec.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace brevitex {

namespace {

constexpr int kMaxUnits = INT32_MAX;
constexpr wchar_t kReplacementChar = 0xFFFD;
constexpr uint64_t kHighBitsOfBytes = 0x8080808080808080ull;
constexpr uint64_t kNonAsciiBitsOfUnits = 0xFF80FF80FF80FF80ull;

// Where a UTF-8 pass ended: the units written, the input consumed and whether it
// stopped at a malformed sequence (next then points at that sequence's lead).
struct Utf8Pass {
    int produced;
    const unsigned char* next;
    bool malformed;
};

inline bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Widens 16 ASCII bytes to units; false, with nothing written, when any of the
// bytes is not ASCII.
inline bool WidenAscii16(const unsigned char* p, wchar_t* d) {
#if defined(__SSE2__)
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(bytes) != 0) return false;
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 8), _mm_unpackhi_epi8(bytes, zero));
    return true;
#else
    uint64_t a, b;
    memcpy(&a, p, 8);
    memcpy(&b, p + 8, 8);
    if ((a | b) & kHighBitsOfBytes) return false;
    for (int i = 0; i < 16; ++i) d[i] = p[i];
    return true;
#endif
}

// Narrows 16 ASCII units to bytes; false, with nothing written, when any of
// the units is not ASCII.
inline bool NarrowAscii16(const wchar_t* p, unsigned char* d) {
#if defined(__SSE2__)
    __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    __m128i any = _mm_and_si128(_mm_or_si128(low, high), nonAscii);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(any, _mm_setzero_si128())) != 0xFFFF) return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_packus_epi16(low, high));
    return true;
#else
    uint64_t words[4];
    memcpy(words, p, sizeof(words));
    if ((words[0] | words[1] | words[2] | words[3]) & kNonAsciiBitsOfUnits) return false;
    for (int i = 0; i < 16; ++i) d[i] = static_cast<unsigned char>(p[i]);
    return true;
#endif
}

// The lead byte's first continuation byte is in range (rejects over-long forms,
// UTF-16 surrogates and code points above U+10FFFF).
inline bool FirstContinuationAllowed(unsigned lead, unsigned c1) {
    switch (lead) {
        case 0xE0: return c1 >= 0xA0;
        case 0xED: return c1 < 0xA0;
        case 0xF0: return c1 >= 0x90;
        case 0xF4: return c1 < 0x90;
        default: return true;
    }
}

// The bytes after a lead at the end of the input, too few for its sequence, are
// a sequence cut off by the end only when they could begin a valid one.
bool IsCutOffPrefix(unsigned lead, const unsigned char* rest, size_t available) {
    if (lead == 0xC0 || lead == 0xC1 || lead >= 0xF5) return false;
    if (available == 0) return true;
    if (!IsContinuation(rest[0]) || !FirstContinuationAllowed(lead, rest[0])) return false;
    for (size_t i = 1; i < available; ++i) {
        if (!IsContinuation(rest[i])) return false;
    }
    return true;
}

// Strict UTF-8 decoding of [p, end) into dest (or counting when dest is null),
// stopping at the end, at the capacity or at a malformed sequence.
Utf8Pass DecodeUtf8(const unsigned char* p, const unsigned char* end, wchar_t* dest, int capacity) {
    int out = 0;
    while (p < end && out < capacity) {
        unsigned lead = *p;
        if (lead < 0x80) {
            // Runs of ASCII go 16 bytes at a time while input and room allow.
            if (dest) {
                while (end - p >= 16 && capacity - out >= 16 && WidenAscii16(p, dest + out)) {
                    p += 16;
                    out += 16;
                }
                if (p == end || out == capacity) break;
                lead = *p;
                if (lead >= 0x80) continue;
                dest[out] = static_cast<wchar_t>(lead);
            } else {
                while (end - p >= 8 && capacity - out >= 8) {
                    uint64_t a;
                    memcpy(&a, p, 8);
                    if (a & kHighBitsOfBytes) break;
                    p += 8;
                    out += 8;
                }
                if (p == end || out == capacity) break;
                if (*p >= 0x80) continue;
            }
            ++p;
            ++out;
            continue;
        }
        if (lead < 0xC0 || lead >= 0xF8) return {out, p, true};
        size_t need = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        size_t available = static_cast<size_t>(end - p) - 1;
        if (available < need) {
            if (IsCutOffPrefix(lead, p + 1, available)) return {out, p, false};
            return {out, p, true};
        }
        unsigned c1 = p[1];
        if (lead < 0xC2 || lead >= 0xF5 || !FirstContinuationAllowed(lead, c1)) return {out, p, true};
        int units = need == 3 ? 2 : 1;
        if (out + units >= capacity) return {out, p, false};
        if (need == 1) {
            if (!IsContinuation(static_cast<unsigned char>(c1))) return {out, p, true};
            if (dest) dest[out] = static_cast<wchar_t>(((lead & 0x1F) << 6) | (c1 & 0x3F));
            p += 2;
            out += 1;
        } else if (need == 2) {
            unsigned c2 = p[2];
            if (!IsContinuation(static_cast<unsigned char>(c1)) || !IsContinuation(static_cast<unsigned char>(c2))) {
                return {out, p, true};
            }
            if (dest) dest[out] = static_cast<wchar_t>(((lead & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F));
            p += 3;
            out += 1;
        } else {
            unsigned c2 = p[2];
            unsigned c3 = p[3];
            if (!IsContinuation(static_cast<unsigned char>(c1)) || !IsContinuation(static_cast<unsigned char>(c2)) ||
                !IsContinuation(static_cast<unsigned char>(c3))) {
                return {out, p, true};
            }
            uint32_t cp = ((lead & 0x07) << 18) | ((c1 & 0x3F) << 12) | ((c2 & 0x3F) << 6) | (c3 & 0x3F);
            cp -= 0x10000;
            if (dest) {
                dest[out] = static_cast<wchar_t>(0xD800 | (cp >> 10));
                dest[out + 1] = static_cast<wchar_t>(0xDC00 | (cp & 0x3FF));
            }
            p += 4;
            out += 2;
        }
    }
    return {out, p, false};
}

// Where a UTF-16 to UTF-8 pass ended; malformed marks an unpaired surrogate.
struct Utf16Pass {
    int produced;
    const wchar_t* next;
    bool malformed;
};

Utf16Pass EncodeUtf8(const wchar_t* p, const wchar_t* end, unsigned char* dest, int capacity) {
    int out = 0;
    while (p < end && out < capacity) {
        unsigned u = *p;
        if (u < 0x80) {
            if (dest) {
                // Runs of ASCII go 16 units at a time while input and room allow.
                while (end - p >= 16 && capacity - out >= 16 && NarrowAscii16(p, dest + out)) {
                    p += 16;
                    out += 16;
                }
                if (p == end || out == capacity) break;
                u = *p;
                if (u >= 0x80) continue;
                dest[out] = static_cast<unsigned char>(u);
            }
            ++p;
            ++out;
            continue;
        }
        if (u < 0x800) {
            if (capacity - out < 2) break;
            if (dest) {
                dest[out] = static_cast<unsigned char>(0xC0 | (u >> 6));
                dest[out + 1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            }
            ++p;
            out += 2;
            continue;
        }
        if (u < 0xD800 || u > 0xDFFF) {
            // Runs of three-byte characters (most CJK text) stay in this loop.
            do {
                if (capacity - out < 3) return {out, p, false};
                if (dest) {
                    unsigned char* d = dest + out;
                    d[0] = static_cast<unsigned char>(0xE0 | (u >> 12));
                    d[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
                    d[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
                }
                ++p;
                out += 3;
            } while (p < end && (u = *p) >= 0x800 && (u < 0xD800 || u > 0xDFFF));
            continue;
        }
        if (u >= 0xDC00) return {out, p, true};
        if (end - p < 2) break;
        unsigned next = p[1];
        if (next < 0xDC00 || next > 0xDFFF) return {out, p, true};
        if (capacity - out < 4) break;
        if (dest) {
            uint32_t cp = 0x10000 + (((u & 0x3FF) << 10) | (next & 0x3FF));
            unsigned char* d = dest + out;
            d[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            d[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            d[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            d[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        }
        p += 2;
        out += 4;
    }
    return {out, p, false};
}

// Room for `units` units in a fresh string, or null when it cannot be had.
wchar_t* ReserveUnits(WideString& text, size_t units) {
    if (units > static_cast<size_t>(kMaxUnits)) return nullptr;
    return text.GetBuffer(static_cast<int>(units));
}

char* ReserveBytes(ByteString& bytes, size_t count) {
    if (count > static_cast<size_t>(kMaxUnits)) return nullptr;
    return bytes.GetBuffer(static_cast<int>(count));
}

// Little-endian UTF-16 bytes copied as units (an odd last byte is ignored).
bool CopyUtf16Units(const unsigned char* bytes, size_t size, WideString& text) {
    size_t units = size / 2;
    WideString copy;
    wchar_t* dest = ReserveUnits(copy, units);
    if (!dest) return false;
    memcpy(dest, bytes, units * sizeof(wchar_t));
    copy.ReleaseBuffer(static_cast<int>(units));
    text = std::move(copy);
    return true;
}

// Decoding where UTF-8 is required: malformed bytes each become U+FFFD so that
// no text after them is lost, and a cut-off last sequence one U+FFFD. The result is shrunk to its length.
bool DecodeRequiredUtf8(const unsigned char* bytes, size_t size, WideString& text) {
    WideString decoded;
    wchar_t* dest = ReserveUnits(decoded, 2 * size + 1);
    if (!dest) return false;
    const int capacity = decoded.Capacity();
    const unsigned char* p = bytes;
    const unsigned char* end = bytes + size;
    int produced = 0;
    for (;;) {
        Utf8Pass pass = DecodeUtf8(p, end, dest + produced, capacity - produced);
        produced += pass.produced;
        if (!pass.malformed) {
            // A sequence cut off by the end of the file shows as one U+FFFD.
            if (pass.next != end) dest[produced++] = kReplacementChar;
            break;
        }
        dest[produced++] = kReplacementChar;
        p = pass.next + 1;
    }
    decoded.ReleaseBuffer(produced);
    if (static_cast<size_t>(produced) < 2 * size) decoded.Shrink();
    text = std::move(decoded);
    return true;
}

UINT PlatformCodePage(TextEncoding encoding, uint32_t ansiCodePage) {
    if (encoding == TextEncoding::Ansi || encoding == TextEncoding::AutoDetect) return ansiCodePage;
    return static_cast<UINT>(encoding);
}

// Code-page decoding of all the bytes (NULs included). One unit per byte is
// room enough for the code pages in use, so the text is converted straight
// away; only a code page that needs more is asked for the exact count first.
bool DecodeCodePageRun(const unsigned char* bytes, size_t size, UINT codePage, WideString& text);

// Where a lead byte of a double-byte code page stands before a control
// character (CR, LF, tab, ...), which is never the second byte of a pair; -1
// when there is none. The platform takes such a control character into the
// stand-in for the broken pair, and a line break vanished with it.
ptrdiff_t LeadBeforeControl(const unsigned char* bytes, size_t size, const bool* leads) {
    for (size_t i = 0; i + 1 < size; ++i) {
        if (!leads[bytes[i]]) continue;
        if (bytes[i + 1] < 0x20) return static_cast<ptrdiff_t>(i);
        ++i;
    }
    return -1;
}

// Control characters among the bytes, and among the units of a text.
size_t CountControls(const unsigned char* bytes, size_t size) {
    size_t count = 0;
    for (size_t i = 0; i < size; ++i) count += bytes[i] < 0x20 ? 1 : 0;
    return count;
}

size_t CountControls(const WideString& text) {
    size_t count = 0;
    const wchar_t* units = text.c_str();
    for (int i = 0; i < text.Length(); ++i) count += units[i] < 0x20 ? 1 : 0;
    return count;
}

bool DecodeCodePage(const unsigned char* bytes, size_t size, UINT codePage, WideString& text) {
    // Nearly always every control character came through: then the text is right as it is.
    if (!DecodeCodePageRun(bytes, size, codePage, text)) return false;
    if (CountControls(text) == CountControls(bytes, size)) return true;
    CPINFOEXW info{};
    bool leads[256] = {};
    if (GetCPInfoExW(codePage, 0, &info) && info.MaxCharSize == 2) {
        for (int r = 0; r + 1 < MAX_LEADBYTES && info.LeadByte[r]; r += 2) {
            for (unsigned b = info.LeadByte[r]; b <= info.LeadByte[r + 1] && b < 256; ++b) leads[b] = true;
        }
    }
    ptrdiff_t lead = LeadBeforeControl(bytes, size, leads);
    if (lead < 0 || size > static_cast<size_t>(INT32_MAX)) return true;
    // Decoded in runs, each broken lead byte on its own, so the control
    // character after it stays in the text; a double-byte code page gives at
    // most one unit per byte.
    WideString decoded;
    wchar_t* dest = decoded.GetBuffer(static_cast<int>(size));
    if (!dest) return false;
    const char* source = reinterpret_cast<const char*>(bytes);
    int written = 0;
    size_t start = 0;
    auto convert = [&](size_t from, size_t count) {
        if (count == 0) return true;
        const int n = MultiByteToWideChar(codePage, 0, source + from, static_cast<int>(count), dest + written,
                                          static_cast<int>(size) - written);
        if (n <= 0) return false;
        written += n;
        return true;
    };
    while (lead >= 0) {
        const size_t at = start + static_cast<size_t>(lead);
        if (!convert(start, at - start) || !convert(at, 1)) {
            decoded.ReleaseBuffer(0);
            return false;
        }
        start = at + 1;
        lead = LeadBeforeControl(bytes + start, size - start, leads);
    }
    if (!convert(start, size - start)) {
        decoded.ReleaseBuffer(0);
        return false;
    }
    decoded.ReleaseBuffer(written);
    decoded.Shrink();
    text = std::move(decoded);
    return true;
}

bool DecodeCodePageRun(const unsigned char* bytes, size_t size, UINT codePage, WideString& text) {
    if (size == 0) {
        text.Empty();
        return true;
    }
    if (size > static_cast<size_t>(INT32_MAX)) return false;
    const char* source = reinterpret_cast<const char*>(bytes);
    const int length = static_cast<int>(size);
    WideString decoded;
    wchar_t* dest = decoded.GetBuffer(length);
    if (!dest) return false;
    int converted = MultiByteToWideChar(codePage, 0, source, length, dest, length);
    if (converted <= 0) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
        decoded.Empty();
        int units = MultiByteToWideChar(codePage, 0, source, length, nullptr, 0);
        if (units <= 0) return false;
        dest = decoded.GetBuffer(units);
        if (!dest) return false;
        converted = MultiByteToWideChar(codePage, 0, source, length, dest, units);
        if (converted <= 0) return false;
    }
    decoded.ReleaseBuffer(converted);
    decoded.Shrink();
    text = std::move(decoded);
    return true;
}

enum class CodePageResult { Exact, Inexact, NoMemory };

// Text goes to a code page in pieces of this many units, each checked on its own.
constexpr int kCodePageChunkUnits = 262144;

// Whether the code page stores every ASCII character as that same byte, as
// the ANSI code pages do; such text then needs no platform conversion.
bool KeepsAscii(UINT codePage) {
    wchar_t ascii[128];
    for (int i = 0; i < 128; ++i) ascii[i] = static_cast<wchar_t>(i);
    char bytes[256];
    BOOL replaced = FALSE;
    if (WideCharToMultiByte(codePage, 0, ascii, 128, bytes, sizeof(bytes), nullptr, &replaced) != 128 || replaced) {
        return false;
    }
    for (int i = 0; i < 128; ++i) {
        if (bytes[i] != static_cast<char>(i)) return false;
    }
    wchar_t back[128];
    return MultiByteToWideChar(codePage, 0, bytes, 128, back, 128) == 128 && memcmp(back, ascii, sizeof(back)) == 0;
}

// Which units of the Basic Multilingual Plane a single- or double-byte code
// page gives back from their own bytes, found once per code page from two
// whole-plane conversions. In such a code page every character's bytes decode
// on their own, so a text whose every unit comes back alone comes back whole.
class RoundTrips {
public:
    // The table for the code page; null where it does not apply (a code page
    // of longer sequences, or one whose characters could not be told apart).
    static const RoundTrips* For(UINT codePage) {
        AcquireSRWLockExclusive(&lock_);
        const RoundTrips* found = nullptr;
        for (const RoundTrips* table : tables_) {
            if (table && table->codePage_ == codePage) found = table;
        }
        if (!found && count_ < kMaxTables) {
            auto* made = new (std::nothrow) RoundTrips(codePage);
            if (made && !made->usable_) {
                delete made;
                made = nullptr;
            }
            tables_[count_++] = made;
            found = made;
        }
        ReleaseSRWLockExclusive(&lock_);
        return found && found->codePage_ == codePage ? found : nullptr;
    }

    // Whether Encode can write this code page's bytes.
    bool Encodes() const { return encodes_; }

    // Whether every unit comes back; surrogates never count as coming back alone.
    bool AllComeBack(const wchar_t* text, int count) const {
        for (int i = 0; i < count; ++i) {
            const unsigned unit = text[i];
            if (!(bits_[unit >> 5] & (1u << (unit & 31)))) return false;
        }
        return true;
    }

    // Writes the bytes of units that all come back, from the code page's own
    // bytes for each of them; -1, with dest undefined, at a unit that does
    // not. dest has room for two bytes per unit.
    int Encode(const wchar_t* text, int count, char* dest) const {
        auto* out = reinterpret_cast<unsigned char*>(dest);
        for (int i = 0; i < count; ++i) {
            const unsigned code = bytes_[static_cast<unsigned>(text[i])];
            if (code == kNoBytes) return -1;
            // Both bytes are written; the second is overwritten next when there is only one.
            const unsigned wide = code > 0xFF ? 1u : 0u;
            out[0] = static_cast<unsigned char>(wide ? code >> 8 : code);
            out[1] = static_cast<unsigned char>(code);
            out += 1 + wide;
        }
        return static_cast<int>(out - reinterpret_cast<unsigned char*>(dest));
    }

private:
    static constexpr int kMaxTables = 8;

    explicit RoundTrips(UINT codePage) : codePage_(codePage) {
        for (uint16_t& code : bytes_) code = kNoBytes;
        CPINFO info{};
        if (!GetCPInfo(codePage, &info) || info.MaxCharSize > 2) return;
        // Every unit but the surrogates and NUL, in one conversion out and
        // one back; the bytes are split by the code page's lead bytes.
        static wchar_t units[0x10000];
        int count = 0;
        for (unsigned u = 1; u < 0x10000; ++u) {
            if (u < 0xD800 || u > 0xDFFF) units[count++] = static_cast<wchar_t>(u);
        }
        std::unique_ptr<char[]> bytes(new (std::nothrow) char[2 * 0x10000]);
        if (!bytes) return;
        const int written = WideCharToMultiByte(codePage, 0, units, count, bytes.get(), 2 * 0x10000, nullptr, nullptr);
        if (written <= 0) return;
        int at = 0;
        for (int i = 0; i < count; ++i) {
            if (at >= written) return;
            const int width = (info.MaxCharSize == 2 && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[at]))) ? 2 : 1;
            if (at + width > written) return;
            wchar_t back[2] = {};
            if (MultiByteToWideChar(codePage, 0, bytes.get() + at, width, back, 2) == 1 && back[0] == units[i]) {
                bits_[units[i] >> 5] |= 1u << (units[i] & 31);
                const auto lead = static_cast<unsigned char>(bytes[at]);
                const unsigned code = width == 2 ? (lead << 8) | static_cast<unsigned char>(bytes[at + 1]) : lead;
                bytes_[units[i]] = static_cast<uint16_t>(code);
            }
            at += width;
        }
        // The split must have used every byte, or the characters were not told apart.
        if (at != written) return;
        bits_[0] |= 1u;  // NUL is the byte 0 in every such code page
        bytes_[0] = 0;
        // The table's own encoder needs ASCII to be itself.
        encodes_ = KeepsAscii(codePage);
        usable_ = true;
    }

    UINT codePage_;
    bool usable_ = false;
    bool encodes_ = false;
    uint32_t bits_[0x10000 / 32] = {};
    // The code page's bytes of each unit that comes back, lead byte in the
    // high half when there are two; kNoBytes when it does not come back.
    static constexpr uint16_t kNoBytes = 0xFFFF;
    uint16_t bytes_[0x10000];
    static inline SRWLOCK lock_ = SRWLOCK_INIT;
    static inline const RoundTrips* tables_[kMaxTables] = {};
    static inline int count_ = 0;
};

// Narrows units to bytes while they are ASCII; false at the first that is not.
bool NarrowAsciiRun(const wchar_t* p, int count, unsigned char* d) {
    int i = 0;
    for (; count - i >= 16; i += 16) {
        if (!NarrowAscii16(p + i, d + i)) return false;
    }
    for (; i < count; ++i) {
        if (p[i] >= 0x80) return false;
        d[i] = static_cast<unsigned char>(p[i]);
    }
    return true;
}

// Converts text to a code page with the platform's fast conversion and checks
// every piece by the code page's table of characters that come back alone, or
// else reads it back: a character the code page does not hold (written as its
// default character) or holds only by best fit ("²" as "2") does not come
// back, and the text counts as inexact. Two bytes per unit is room enough for
// the code pages in use; a code page that needs more is asked for the size of
// the rest.
CodePageResult EncodeCodePage(const wchar_t* text, int units, UINT codePage, ByteString& out) {
    const RoundTrips* roundTrips = RoundTrips::For(codePage);
    const bool keepsAscii = KeepsAscii(codePage);
    ByteString converted;
    int room = 2 * units;
    char* dest = converted.GetBuffer(room);
    if (!dest) return CodePageResult::NoMemory;
    // Pieces the table cannot vouch for are read back into this, made on first need.
    std::unique_ptr<wchar_t[]> check;
    int written = 0;
    for (int start = 0; start < units;) {
        int count = units - start < kCodePageChunkUnits ? units - start : kCodePageChunkUnits;
        // A surrogate pair is never split between two pieces.
        if (start + count < units && IS_HIGH_SURROGATE(text[start + count - 1])) --count;
        const wchar_t* chunk = text + start;
        if (keepsAscii && NarrowAsciiRun(chunk, count, reinterpret_cast<unsigned char*>(dest + written))) {
            written += count;
            start += count;
            continue;
        }
        // The table holds the platform's bytes for every unit that comes back
        // alone: a piece of only such units needs no platform call and no check.
        if (roundTrips && roundTrips->Encodes() && room - written >= 2 * count) {
            const int n = roundTrips->Encode(chunk, count, dest + written);
            if (n >= 0) {
                written += n;
                start += count;
                continue;
            }
        }
        int n = WideCharToMultiByte(codePage, 0, chunk, count, dest + written, room - written, nullptr, nullptr);
        if (n <= 0) {
            DWORD error = GetLastError();
            if (error != ERROR_INSUFFICIENT_BUFFER) {
                return error == ERROR_NOT_ENOUGH_MEMORY ? CodePageResult::NoMemory : CodePageResult::Inexact;
            }
            int rest = WideCharToMultiByte(codePage, 0, chunk, units - start, nullptr, 0, nullptr, nullptr);
            if (rest <= 0 || rest > INT32_MAX - written) return CodePageResult::Inexact;
            converted.ReleaseBuffer(written);
            room = written + rest;
            dest = converted.GetBuffer(room);
            if (!dest) return CodePageResult::NoMemory;
            continue;
        }
        if (!roundTrips || !roundTrips->AllComeBack(chunk, count)) {
            if (!check) check.reset(new (std::nothrow) wchar_t[kCodePageChunkUnits]);
            if (!check) return CodePageResult::NoMemory;
            int back = MultiByteToWideChar(codePage, 0, dest + written, n, check.get(), kCodePageChunkUnits);
            if (back != count || memcmp(check.get(), chunk, static_cast<size_t>(count) * sizeof(wchar_t)) != 0) {
                return CodePageResult::Inexact;
            }
        }
        written += n;
        start += count;
    }
    converted.ReleaseBuffer(written);
    converted.Shrink();
    out = std::move(converted);
    return CodePageResult::Exact;
}

bool EncodeUtf16(const WideString& text, bool writeBom, ByteString& bom, ByteString& body) {
    size_t bytes = static_cast<size_t>(text.Length()) * sizeof(wchar_t);
    char* dest = ReserveBytes(body, bytes);
    if (!dest) return false;
    memcpy(dest, text.c_str(), bytes);
    body.ReleaseBuffer(static_cast<int>(bytes));
    if (writeBom && !bom.Assign("\xFF\xFE", 2)) return false;
    return true;
}

}  // namespace

int Utf8ToUtf16(const unsigned char* source, size_t sourceBytes, wchar_t* dest, int destCapacity) {
    if (!source) return 0;
    int capacity = dest ? destCapacity : kMaxUnits;
    Utf8Pass pass = DecodeUtf8(source, source + sourceBytes, dest, capacity);
    return pass.malformed ? -1 : pass.produced;
}

int Utf16ToUtf8(const wchar_t* source, size_t sourceUnits, unsigned char* dest, int destCapacity) {
    if (!source) return 0;
    int capacity = dest ? destCapacity : kMaxUnits;
    Utf16Pass pass = EncodeUtf8(source, source + sourceUnits, dest, capacity);
    return pass.malformed ? -1 : pass.produced;
}

bool DecodeText(const unsigned char* bytes, size_t size, uint32_t ansiCodePage, WideString& text,
                TextEncoding& encoding, bool& hasBom) {
    if (size == 0 || !bytes) {
        text.Empty();
        return true;
    }
    if (size > 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (!CopyUtf16Units(bytes + 2, size - 2, text)) return false;
        encoding = TextEncoding::Utf16;
        hasBom = true;
        return true;
    }
    if (size > 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        if (!DecodeRequiredUtf8(bytes + 3, size - 3, text)) return false;
        encoding = TextEncoding::Utf8;
        hasBom = true;
        return true;
    }
    if (encoding == TextEncoding::Utf16) return CopyUtf16Units(bytes, size, text);

    // One strict UTF-8 pass decides; valid UTF-8 wins over every code page.
    WideString decoded;
    wchar_t* dest = ReserveUnits(decoded, 2 * size + 1);
    if (!dest) return false;
    Utf8Pass pass = DecodeUtf8(bytes, bytes + size, dest, decoded.Capacity());
    // A sequence cut off by the end of the file is UTF-8 only after UTF-8 text
    // (then it shows as U+FFFD rather than vanishing); after nothing but ASCII
    // it is more likely a code page's last character.
    const bool cutOff = !pass.malformed && pass.next != bytes + size;
    const bool onlyAscii = static_cast<size_t>(pass.produced) == static_cast<size_t>(pass.next - bytes);
    if (!pass.malformed && !(cutOff && onlyAscii)) {
        int produced = pass.produced;
        if (cutOff) dest[produced++] = kReplacementChar;
        decoded.ReleaseBuffer(produced);
        text = std::move(decoded);
        return true;
    }
    decoded.Empty();
    if (encoding == TextEncoding::Utf8) return DecodeRequiredUtf8(bytes, size, text);
    if (!DecodeCodePage(bytes, size, PlatformCodePage(encoding, ansiCodePage), text)) return false;
    if (encoding == TextEncoding::AutoDetect) encoding = TextEncoding::Ansi;
    return true;
}

bool EncodeText(const WideString& text, uint32_t ansiCodePage, TextEncoding& encoding, bool& writeBom,
                ByteString& bom, ByteString& body) {
    bom.Empty();
    body.Empty();
    if (text.IsEmpty()) return true;
    const size_t length = static_cast<size_t>(text.Length());

    if (encoding == TextEncoding::Utf16) return EncodeUtf16(text, writeBom, bom, body);

    if (encoding == TextEncoding::Utf8) {
        ByteString encoded;
        char* dest = ReserveBytes(encoded, 3 * length + 1);
        if (!dest) return false;
        Utf16Pass pass = EncodeUtf8(text.c_str(), text.c_str() + length, reinterpret_cast<unsigned char*>(dest),
                                    encoded.Capacity());
        encoded.ReleaseBuffer(pass.produced);
        encoded.Shrink();
        body = std::move(encoded);
        // An unpaired surrogate, also a high one that ends the text, has no UTF-8
        // form: body then holds only what came before it.
        if (pass.malformed || pass.next != text.c_str() + length) return false;
        if (writeBom && !bom.Assign("\xEF\xBB\xBF", 3)) return false;
        return true;
    }

    // A code page, where every character must come back from the bytes as it
    // was; otherwise, or when the code page cannot be used, UTF-16 with a BOM.
    if (length <= static_cast<size_t>(INT32_MAX / 2)) {
        ByteString converted;
        const UINT codePage = PlatformCodePage(encoding, ansiCodePage);
        CodePageResult result = EncodeCodePage(text.c_str(), text.Length(), codePage, converted);
        if (result == CodePageResult::NoMemory) return false;
        if (result == CodePageResult::Exact) {
            body = std::move(converted);
            if (encoding == TextEncoding::AutoDetect) encoding = TextEncoding::Ansi;
            return true;
        }
    }
    if (!EncodeUtf16(text, true, bom, body)) return false;
    encoding = TextEncoding::Utf16;
    writeBom = true;
    return true;
}

namespace {

// Whether the text's UTF-8 form is exactly the bytes; compared piece by piece.
bool Utf8FormIs(const WideString& text, const unsigned char* bytes, size_t size) {
    constexpr int kPieceUnits = 4096;
    unsigned char piece[3 * kPieceUnits + 4];
    const wchar_t* p = text.c_str();
    const wchar_t* end = p + text.Length();
    size_t offset = 0;
    while (p < end) {
        const wchar_t* pieceEnd = end - p > kPieceUnits ? p + kPieceUnits : end;
        // A high surrogate that ends a piece is left for the next one.
        if (pieceEnd != end && IS_HIGH_SURROGATE(pieceEnd[-1])) ++pieceEnd;
        Utf16Pass pass = EncodeUtf8(p, pieceEnd, piece, sizeof(piece));
        if (pass.malformed || pass.next != pieceEnd) return false;
        size_t produced = static_cast<size_t>(pass.produced);
        if (produced > size - offset || memcmp(bytes + offset, piece, produced) != 0) return false;
        offset += produced;
        p = pieceEnd;
    }
    return offset == size;
}

}  // namespace

bool DecodesExactly(const unsigned char* bytes, size_t size, uint32_t ansiCodePage, const WideString& text,
                    TextEncoding encoding, bool hasBom) {
    if (size == 0) return text.IsEmpty();
    if (hasBom && encoding == TextEncoding::Utf16) return size % 2 == 0;
    if (hasBom && encoding == TextEncoding::Utf8) return size >= 3 && Utf8FormIs(text, bytes + 3, size - 3);
    if (encoding == TextEncoding::Utf16) return size % 2 == 0;
    if (Utf8FormIs(text, bytes, size)) return true;
    if (encoding == TextEncoding::Utf8) return false;
    ByteString converted;
    const UINT codePage = PlatformCodePage(encoding, ansiCodePage);
    if (EncodeCodePage(text.c_str(), text.Length(), codePage, converted) != CodePageResult::Exact) {
        return false;
    }
    return static_cast<size_t>(converted.Length()) == size && memcmp(converted.c_str(), bytes, size) == 0;
}

int64_t CountStandIns(const unsigned char* bytes, size_t size, const WideString& text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf16) return 0;
    int64_t replacements = 0;
    int64_t questions = 0;
    const wchar_t* units = text.c_str();
    for (int i = 0; i < text.Length(); ++i) {
        if (units[i] == kReplacementChar) ++replacements;
        if (units[i] == L'?') ++questions;
    }
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '?') {
            --questions;
        } else if (bytes[i] == 0xEF && i + 2 < size && bytes[i + 1] == 0xBF && bytes[i + 2] == 0xBD) {
            --replacements;
            i += 2;
        }
    }
    return (replacements > 0 ? replacements : 0) + (questions > 0 ? questions : 0);
}

const wchar_t* EncodingDisplayName(TextEncoding encoding, uint32_t ansiCodePage) {
    uint32_t value = static_cast<uint32_t>(encoding);
    if (encoding == TextEncoding::AutoDetect || encoding == TextEncoding::Ansi) {
        value = ansiCodePage == CP_ACP ? GetACP() : ansiCodePage;
    }
    switch (value) {
        case 65002: return L"UTF-16";
        case 65001: return L"UTF-8";
        case 936: return L"GBK";
        case 950: return L"Big5";
        default: return L"ANSI";
    }
}

}  // namespace brevitex
