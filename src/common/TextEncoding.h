// The encoding of a document: a signed 32-bit value. The named values are the
// program's own; any other value is a platform code page. It travels with a
// bool byte-order-mark flag.
#pragma once

#include <cstdint>

namespace brevitex {

enum class TextEncoding : int32_t {
    AutoDetect = -1,  // detect on load; saved as Ansi
    Ansi = 0,         // the device's ANSI code page
    Utf8 = 65001,
    Utf16 = 65002,    // UTF-16 little-endian (the program's own marker)
};

// A platform code page number as an encoding value.
constexpr TextEncoding CodePageEncoding(uint32_t codePage) { return static_cast<TextEncoding>(codePage); }

}  // namespace brevitex
