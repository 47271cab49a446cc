// Moving text between files and memory: BufferedFile (a file with a 4096-byte
// write-back buffer), LoadTextFile (maps and decodes) and SaveTextFile (encodes
// and writes, replacing the original only once every byte is safely written).
#pragma once

#include <cstdint>

#include "common/TextEncoding.h"
#include "common/WideString.h"

namespace brevitex {

// A file's last-write time and size, which tell whether another program has
// written it since they were taken.
struct FileStamp {
    uint64_t lastWrite = 0;
    uint64_t size = 0;
    bool known = false;
    bool operator==(const FileStamp&) const = default;
};

// The stamp the file has now; not known when the file cannot be found.
FileStamp ReadFileStamp(const wchar_t* path);

// What a load finds out besides the text.
struct LoadFacts {
    bool exact = true;     // the text encodes back to exactly the file's bytes
    int64_t standIns = 0;  // characters shown in place of bytes (CountStandIns); only when not exact
    bool oddByte = false;  // a UTF-16 file's odd last byte, which the text drops
    FileStamp stamp;       // the file as it was read
};

// Loads a file into text. encoding: in, requested; out, detected or kept.
// hasBom is set true when the file had a byte-order mark.
bool LoadTextFile(const wchar_t* path, WideString& text, TextEncoding& encoding, bool& hasBom,
                  LoadFacts* facts = nullptr);

// Saves text to a file. encoding and writeBom may change (UTF-16 fallback).
// On success stamp, when given, receives the stamp of the file as written.
bool SaveTextFile(const wchar_t* path, const WideString& text, TextEncoding& encoding, bool& writeBom,
                  FileStamp* stamp = nullptr);

}  // namespace brevitex
