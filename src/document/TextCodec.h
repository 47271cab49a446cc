// Conversion between file bytes and the editor's UTF-16 text: strict UTF-8,
// UTF-16 little-endian and platform code pages, with detection on load and the
// UTF-16 fallback on save.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/TextEncoding.h"
#include "common/WideString.h"

namespace brevitex {

// Strict UTF-8 to UTF-16. Returns the units produced (counted when dest is
// null), or -1 for malformed input. A sequence cut off by the end of the input
// is dropped when its bytes could begin a valid one (otherwise it is
// malformed). Never writes a terminator.
int Utf8ToUtf16(const unsigned char* source, size_t sourceBytes, wchar_t* dest, int destCapacity);

// UTF-16 to UTF-8. Returns the bytes produced (counted when dest is null), or
// -1 for an unpaired surrogate. A lone high surrogate at the end is dropped.
// Never writes a terminator.
int Utf16ToUtf8(const wchar_t* source, size_t sourceUnits, unsigned char* dest, int destCapacity);

// ansiCodePage, below, is the code page that TextEncoding::Ansi and AutoDetect
// stand for: the program passes CP_ACP (0), the system's ANSI code page.

// Decodes a file image. encoding: in, the requested encoding; out, the one the
// document is to remember. hasBom is set true when a byte-order mark was found
// and left untouched otherwise. Where UTF-8 is required (requested, or EF BB BF)
// each malformed byte becomes U+FFFD. A sequence cut off by the end of the
// bytes is taken as UTF-8 (and shows as U+FFFD) only after UTF-8 text; after
// nothing but ASCII the code page decides. False only when memory could not be had
// (or the code page cannot be used); text is then unchanged.
bool DecodeText(const unsigned char* bytes, size_t size, uint32_t ansiCodePage, WideString& text,
                TextEncoding& encoding, bool& hasBom);

// Encodes text for saving. encoding: in, the document's; out, the one used.
// writeBom: in, whether a BOM is wanted; out, true when the UTF-16 fallback was
// taken. The caller writes bom, then body. False when memory could not be had,
// or for UTF-8 when the text holds an unpaired surrogate (body then holds only
// the bytes encoded before it); encoding and writeBom are then unchanged.
bool EncodeText(const WideString& text, uint32_t ansiCodePage, TextEncoding& encoding, bool& writeBom,
                ByteString& bom, ByteString& body);

// Whether text that DecodeText gave for a file image (with the encoding and
// BOM flag it reported) encodes back to exactly those bytes in the form it was
// decoded from, so that saving it unedited gives the file back unchanged.
bool DecodesExactly(const unsigned char* bytes, size_t size, uint32_t ansiCodePage, const WideString& text,
                    TextEncoding encoding, bool hasBom);

// How many characters of text that DecodeText gave for a file image stand in
// for bytes they are not the encoding of: a U+FFFD for malformed UTF-8, a "?"
// for a pair the code page does not define. Each is counted beyond the ones
// the bytes really hold (EF BF BD, 3F). 0 for UTF-16, whose units are copied.
int64_t CountStandIns(const unsigned char* bytes, size_t size, const WideString& text, TextEncoding encoding);

// "UTF-16", "UTF-8", "GBK", "Big5" or "ANSI".
const wchar_t* EncodingDisplayName(TextEncoding encoding, uint32_t ansiCodePage);

}  // namespace brevitex
