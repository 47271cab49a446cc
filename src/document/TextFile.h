// Moving text between files and memory: BufferedFile (a file with a 4096-byte
// write-back buffer), LoadTextFile (maps and decodes) and SaveTextFile (encodes
// and writes, replacing the original only once every byte is safely written).
#pragma once

#include "common/TextEncoding.h"
#include "common/WideString.h"

namespace brevitex {

// Loads a file into text. encoding: in, requested; out, detected or kept.
// hasBom is set true when the file had a byte-order mark.
bool LoadTextFile(const wchar_t* path, WideString& text, TextEncoding& encoding, bool& hasBom);

// Saves text to a file. encoding and writeBom may change (UTF-16 fallback).
bool SaveTextFile(const wchar_t* path, const WideString& text, TextEncoding& encoding, bool& writeBom);

}  // namespace brevitex
