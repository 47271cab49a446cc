// PreparedText: a file read, decoded and made ready for the control (a CR for
// each break, its longest line checked) before any of it goes in. A load does
// this on a thread of its own, so that the thread loading it keeps answering
// and can give the load up while a long file is read and decoded.
#pragma once

#include <cstdint>

#include "common/TextEncoding.h"
#include "common/WideString.h"
#include "document/LineBreaks.h"
#include "document/TextFile.h"

namespace brevitex {

class LoadProgress;

struct PreparedText {
    enum class Result { Ready, Failed, LineTooLong, Cancelled };
    Result result = Result::Failed;
    WideString text;  // with a CR for each break
    TextEncoding encoding = TextEncoding::AutoDetect;
    bool hasBom = false;
    LoadFacts facts;
    LineBreakSurvey breaks;  // of the file's text, before the rewrite
    uint64_t hash = 0;       // HashUnits of the text
};

// FNV-1a over the units. Recovery records keep such hashes: it never changes.
uint64_t HashUnits(const wchar_t* units, int length);

// Reads the file in the requested encoding (AutoDetect: detected) and makes
// its text ready, on this thread. A text with a line longer than longestLine
// units is not kept (LineTooLong).
void PrepareText(const wchar_t* path, TextEncoding encoding, int longestLine, PreparedText& out);

// The same on a thread of its own, this thread answering meanwhile through
// the progress's wait; a wait given up leaves Cancelled, the other thread then
// finishing alone and dropping what it made. Runs here when no thread can be
// had.
void PrepareTextAside(const wchar_t* path, TextEncoding encoding, int longestLine, PreparedText& out,
                      LoadProgress& progress);

}  // namespace brevitex
