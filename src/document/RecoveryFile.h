// Recovery copies of modified documents: one file per document window in a
// folder of the program's own, written whole under a temporary name and then
// renamed over the previous copy, so that a crash at any moment leaves either
// the old copy or the new one, never a part. Each copy names the process that
// wrote it, so that the next first copy of the program can tell the copies of
// a process that has gone from those of one still running.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/TextEncoding.h"
#include "common/WideString.h"
#include "document/LineBreaks.h"
#include "document/TextFile.h"

namespace brevitex {

struct RecoveryRecord {
    DWORD processId = 0;
    uint64_t processStart = 0;  // the writing process's creation time (FILETIME)
    WideString path;            // the document's path, or its untitled name
    TextEncoding encoding = TextEncoding::Ansi;
    bool writeBom = false;
    bool loadedExactly = true;
    // What the load found that a save would change, and whether the user
    // already agreed to it, so that a restored document asks as it would have.
    int64_t standIns = 0;
    bool oddByte = false;
    bool mixedBreaks = false;
    bool changesAccepted = false;
    // Length and hash of the text as last loaded or saved.
    int64_t savedLength = 0;
    uint64_t savedHash = 0;
    LineBreak lineBreak = LineBreak::CrLf;
    FileStamp stamp;            // the file as last loaded or saved
    WideString text;            // the control's text, a CR for each break
};

// The folder of the copies: BREVITEX_RECOVERY when set, else "Brevitex\Recovery"
// under the user's local application data. With create, made when missing.
bool RecoveryFolder(WideString* folder, bool create);

// The folder for the copy of a file a save takes before it writes over the
// file ("Backup" beside the recovery folder); with create, made when missing.
bool BackupFolder(WideString* folder, bool create);

// The creation time of the current process, as stored in a record.
uint64_t CurrentProcessStart();

// Whether a process of that id may still run (false only when it is known gone).
bool ProcessMayRun(DWORD processId);

// Whether the process that wrote a record still runs (the same id and start).
bool RecordProcessRuns(DWORD processId, uint64_t processStart);

// Writes the record to path: to path + ".tmp" first, then renamed over path.
bool WriteRecoveryFile(const wchar_t* path, const RecoveryRecord& record);

// Reads and checks a whole record: false for a file cut short, foreign,
// damaged or larger than any document the program keeps.
bool ReadRecoveryFile(const wchar_t* path, RecoveryRecord* record);

// The copies in the folder whose writing process no longer runs, oldest first.
std::vector<WideString> OrphanedRecoveryFiles();

// A new file name for the current process's next copy, in the folder.
WideString NewRecoveryFileName(const WideString& folder);

}  // namespace brevitex
