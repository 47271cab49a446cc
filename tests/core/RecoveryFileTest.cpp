// Recovery copies on disk: a whole record comes back, a damaged one never
// does, and only the copies of processes that have gone are offered.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "document/RecoveryFile.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::ReadBytes;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

RecoveryRecord SampleRecord(DWORD processId, uint64_t processStart) {
    RecoveryRecord record;
    record.processId = processId;
    record.processStart = processStart;
    record.path = L"\\文档\\笔记.txt";
    record.encoding = TextEncoding::Utf16;
    record.writeBom = true;
    record.loadedExactly = false;
    record.standIns = 3;
    record.mixedBreaks = true;
    record.savedLength = 17;
    record.savedHash = 0x1234567890ull;
    record.lineBreak = LineBreak::Lf;
    record.stamp = FileStamp{1234, 56, true};
    record.text = L"第一行\r第二行 typed";
    return record;
}

}  // namespace

TEST(RecoveryFileTest, WholeRecordsComeBackAndDamagedOnesNever) {
    TempDir dir;
    const std::wstring path = dir.File(L"1-0-1.bvxrec");
    ASSERT_TRUE(WriteRecoveryFile(path.c_str(), SampleRecord(7, 99)));
    RecoveryRecord read;
    ASSERT_TRUE(ReadRecoveryFile(path.c_str(), &read));
    EXPECT_EQ(read.processId, 7u);
    EXPECT_EQ(read.processStart, 99u);
    EXPECT_EQ(read.path, L"\\文档\\笔记.txt");
    EXPECT_EQ(read.encoding, TextEncoding::Utf16);
    EXPECT_TRUE(read.writeBom);
    EXPECT_FALSE(read.loadedExactly);
    EXPECT_EQ(read.standIns, 3);
    EXPECT_TRUE(read.mixedBreaks);
    EXPECT_FALSE(read.oddByte);
    EXPECT_FALSE(read.changesAccepted);
    EXPECT_EQ(read.savedLength, 17);
    EXPECT_EQ(read.savedHash, 0x1234567890ull);
    EXPECT_EQ(read.lineBreak, LineBreak::Lf);
    EXPECT_TRUE(read.stamp == (FileStamp{1234, 56, true}));
    EXPECT_EQ(read.text, L"第一行\r第二行 typed");
    EXPECT_EQ(GetFileAttributesW((path + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "no temporary copy is left";

    std::string bytes;
    ASSERT_TRUE(ReadBytes(path, &bytes));
    const std::wstring damaged = dir.File(L"damaged.bvxrec");
    for (const std::string& variant : {bytes.substr(0, bytes.size() - 1), std::string("plain text, not ours"),
                                       bytes.substr(0, 60) + std::string(1, static_cast<char>(bytes[60] ^ 1)) +
                                           bytes.substr(61)}) {
        ASSERT_TRUE(WriteBytes(damaged, variant));
        EXPECT_FALSE(ReadRecoveryFile(damaged.c_str(), &read)) << variant.size();
    }
}

TEST(RecoveryFileTest, OnlyCopiesOfProcessesThatEndedAreOffered) {
    TempDir dir;
    ScopedEnvironment folder(L"BREVITEX_RECOVERY", dir.Path().c_str());
    WideString where;
    ASSERT_TRUE(RecoveryFolder(&where, false));
    EXPECT_EQ(std::wstring(where.c_str()), dir.Path());

    // This process's own copy is not offered; a gone process's is; a foreign
    // file under a copy's name is skipped and left where it is.
    const WideString own = NewRecoveryFileName(where);
    ASSERT_TRUE(WriteRecoveryFile(own, SampleRecord(GetCurrentProcessId(), CurrentProcessStart())));
    const std::wstring gone = dir.File(L"4294967280-0-1.bvxrec");
    ASSERT_TRUE(WriteRecoveryFile(gone.c_str(), SampleRecord(0xFFFFFFF0u, 5)));
    const std::wstring foreign = dir.File(L"4294967280-0-2.bvxrec");
    ASSERT_TRUE(WriteBytes(foreign, "BVXRCV01 but nothing after it"));
    EXPECT_FALSE(RecordProcessRuns(0xFFFFFFF0u, 5));
    EXPECT_TRUE(RecordProcessRuns(GetCurrentProcessId(), CurrentProcessStart()));
    EXPECT_FALSE(RecordProcessRuns(GetCurrentProcessId(), CurrentProcessStart() + 1)) << "an id used again";

    const auto offered = OrphanedRecoveryFiles();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(std::wstring(offered[0].c_str()), gone);
    EXPECT_NE(GetFileAttributesW(foreign.c_str()), INVALID_FILE_ATTRIBUTES);
}
