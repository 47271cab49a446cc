// Tests of BufferedFile, LoadTextFile and SaveTextFile against real files,
// with the platform write replaced where a failing or observed write is needed.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <string>
#include <vector>

#include "document/BufferedFile.h"
#include "document/TextFile.h"
#include "support/TestSupport.h"
#include "support/UnixSide.h"

using brevitex::BufferedFile;
using brevitex::LoadTextFile;
using brevitex::SaveTextFile;
using brevitex::TextEncoding;
using brevitex::WideString;
using testsupport::ReadBytes;
using testsupport::RunUnix;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::UnixIsRoot;
using testsupport::UnixPath;
using testsupport::WriteBytes;

namespace {

// Replaces the platform write for one test: records the size of every call and
// lets only `budget` bytes reach the file, failing the call that crosses it as a
// full storage would.
class WriteSpy {
public:
    explicit WriteSpy(uint64_t budget = UINT64_MAX) {
        budget_ = budget;
        calls_.clear();
        BufferedFile::SetPlatformWriteForTesting(&WriteSpy::Write);
    }
    ~WriteSpy() { BufferedFile::SetPlatformWriteForTesting(nullptr); }
    const std::vector<DWORD>& Calls() const { return calls_; }

private:
    static BOOL Write(HANDLE file, const void* data, DWORD length, DWORD* written) {
        calls_.push_back(length);
        DWORD allowed = budget_ < length ? static_cast<DWORD>(budget_) : length;
        *written = 0;
        if (allowed > 0 && !WriteFile(file, data, allowed, written, nullptr)) return FALSE;
        budget_ -= *written;
        if (allowed < length) {
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        return TRUE;
    }
    static inline uint64_t budget_ = 0;
    static inline std::vector<DWORD> calls_;
};

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    EXPECT_TRUE(ReadBytes(path, &bytes));
    return bytes;
}

// Names of the files in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// A sparse file of `size` bytes that begins with `head`.
bool MakeSparseFile(const std::wstring& path, uint64_t size, const std::string& head) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    bool ok = WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr) != FALSE;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ok = ok && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

struct Loaded {
    bool ok;
    std::wstring text;
    TextEncoding encoding;
    bool hasBom;
};

Loaded Load(const std::wstring& path, TextEncoding requested = TextEncoding::AutoDetect) {
    WideString text(L"untouched");
    TextEncoding encoding = requested;
    bool hasBom = false;
    bool ok = LoadTextFile(path.c_str(), text, encoding, hasBom);
    return {ok, std::wstring(text.c_str(), text.Length()), encoding, hasBom};
}

bool Save(const std::wstring& path, const std::wstring& text, TextEncoding encoding, bool writeBom) {
    WideString source(text.data(), static_cast<int>(text.size()));
    return SaveTextFile(path.c_str(), source, encoding, writeBom);
}

// A file's Unix path, quoted for the shell.
std::string Quoted(const std::wstring& path) { return ShellQuote(UnixPath(path)); }

// A Unix command run again on destruction to undo a condition a test set up.
class UnixUndo {
public:
    ~UnixUndo() {
        if (!command_.empty()) RunUnix(command_);
    }
    void Set(const std::string& command) { command_ = command; }

private:
    std::string command_;
};

bool CanOpenForWriting(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool CanCreateIn(const std::wstring& folder) {
    std::wstring probe = folder + L"\\probe.tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

// Mode, owner, link count and inode of a file as the Unix side sees them.
std::string UnixIdentity(const std::wstring& path) {
    std::string identity;
    EXPECT_TRUE(RunUnix("stat -c '%a %u %h %i' " + Quoted(path), &identity));
    return identity;
}

struct FileIdentity {
    DWORD links;
    uint64_t index;
};

FileIdentity WindowsIdentity(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    return {info.nNumberOfLinks, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

TEST(TextFileTest, RejectsEmptyPathsAndMissingFiles) {
    TempDir dir;
    WideString text(L"x");
    TextEncoding encoding = TextEncoding::Ansi;
    bool flag = false;
    EXPECT_FALSE(LoadTextFile(nullptr, text, encoding, flag));
    EXPECT_FALSE(LoadTextFile(L"", text, encoding, flag));
    EXPECT_FALSE(SaveTextFile(nullptr, text, encoding, flag));
    EXPECT_FALSE(SaveTextFile(L"", text, encoding, flag));
    EXPECT_FALSE(Load(dir.File(L"missing.txt")).ok);
    EXPECT_FALSE(Save(dir.Path(), L"a folder is no file", TextEncoding::Ansi, false));
    EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

TEST(TextFileTest, LoadsEmptyAndEncodedFiles) {
    // Cases of the system code page: GBK bytes and auto-detection's fallback.
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File(L"empty.txt"), ""));
    Loaded l = Load(dir.File(L"empty.txt"));
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.text, L"");
    EXPECT_EQ(l.encoding, TextEncoding::AutoDetect);
    EXPECT_FALSE(l.hasBom);

    ASSERT_TRUE(WriteBytes(dir.File(L"gbk.txt"), "\xD6\xD0\xCE\xC4\r\n"));
    l = Load(dir.File(L"gbk.txt"));
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.text, L"\u4E2D\u6587\r\n");
    EXPECT_EQ(l.encoding, TextEncoding::Ansi);

    ASSERT_TRUE(WriteBytes(dir.File(L"u16.txt"), std::string("\xFF\xFE\x2D\x4E" "a\0", 6)));
    l = Load(dir.File(L"u16.txt"), TextEncoding::Utf8);
    EXPECT_TRUE(l.ok);
    EXPECT_EQ(l.text, L"\u4E2Da");
    EXPECT_EQ(l.encoding, TextEncoding::Utf16);
    EXPECT_TRUE(l.hasBom);
}

TEST(TextFileTest, ALoadSaysWhatTheTextCannotGiveBack) {
    // Files a Chinese system (code page 936) cannot show whole, and ones it can.
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    struct Case {
        const char* name;
        std::string bytes;
        bool exact;
        int64_t standIns;
        bool oddByte;
    };
    const Case cases[] = {
        {"GB18030 outside GBK", "a\x82\x35\x8F\x33" "b?", false, 2, false},
        {"stray lead byte before a quote", "\"x\x81\"", false, 1, false},
        {"malformed UTF-8 after a BOM", "\xEF\xBB\xBF\xE4\xB8\xAD\xFF\xEF\xBF\xBD", false, 1, false},
        {"UTF-8 cut in its last character", "\xE4\xB8\xAD\xE6\x96", false, 1, false},
        {"UTF-16 with an odd last byte", std::string("\xFF\xFE" "a\0b", 5), false, 0, true},
        {"GBK with a real question mark", "\xD6\xD0?", true, 0, false},
        {"UTF-8 holding U+FFFD", "\xEF\xBB\xBF\xEF\xBF\xBD", true, 0, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring path = dir.File(L"case.txt");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        WideString text;
        TextEncoding encoding = TextEncoding::AutoDetect;
        bool hasBom = false;
        brevitex::LoadFacts facts;
        ASSERT_TRUE(LoadTextFile(path.c_str(), text, encoding, hasBom, &facts));
        EXPECT_EQ(facts.exact, c.exact);
        EXPECT_EQ(facts.standIns, c.standIns);
        EXPECT_EQ(facts.oddByte, c.oddByte);
    }
}

TEST(TextFileTest, RefusesFilesTooLargeToHold) {
    TempDir dir;
    // 4 GiB and more: the low 32 bits alone would load a fragment.
    std::wstring huge = dir.File(L"huge.txt");
    if (!MakeSparseFile(huge, (uint64_t{1} << 32) + 3, "abc")) GTEST_SKIP() << "no sparse files of 4 GiB here";
    Loaded l = Load(huge);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.text, L"untouched");
    // Below 4 GiB, but its text cannot be allocated.
    std::wstring big = dir.File(L"big.txt");
    if (!MakeSparseFile(big, uint64_t{3} << 30, "abc")) GTEST_SKIP() << "no sparse files of 3 GiB here";
    l = Load(big);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.text, L"untouched");
}

TEST(TextFileTest, SavesAnsiTextInTheSystemCodePage) {
    // The save's own path to the code page: GBK bytes under a Chinese system.
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    TempDir dir;
    std::wstring path = dir.File(L"gbk.txt");
    TextEncoding encoding = TextEncoding::AutoDetect;
    bool writeBom = false;
    WideString text(L"\u4E2D\u6587");
    ASSERT_TRUE(SaveTextFile(path.c_str(), text, encoding, writeBom));
    EXPECT_EQ(encoding, TextEncoding::Ansi);
    EXPECT_EQ(ReadFileBytes(path), "\xD6\xD0\xCE\xC4");
}

TEST(TextFileTest, SaveReplacesContentAndKeepsAttributes) {
    TempDir dir;
    std::wstring path = dir.File(L"doc.txt");
    ASSERT_TRUE(WriteBytes(path, std::string(10000, 'o')));
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

    TextEncoding encoding = TextEncoding::AutoDetect;
    bool writeBom = false;
    WideString text(L"short");
    ASSERT_TRUE(SaveTextFile(path.c_str(), text, encoding, writeBom));
    EXPECT_EQ(encoding, TextEncoding::Ansi);
    EXPECT_EQ(ReadFileBytes(path), "short");
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

    // The UTF-16 fallback reaches the caller.
    text = L"\u0E01";
    ASSERT_TRUE(SaveTextFile(path.c_str(), text, encoding, writeBom));
    EXPECT_EQ(encoding, TextEncoding::Utf16);
    EXPECT_TRUE(writeBom);
    EXPECT_EQ(ReadFileBytes(path), "\xFF\xFE\x01\x0E");

    // An empty document leaves a 0-byte file, even with a BOM requested.
    ASSERT_TRUE(Save(path, L"", TextEncoding::Utf8, true));
    EXPECT_EQ(ReadFileBytes(path), "");
    // A new file is created.
    ASSERT_TRUE(Save(dir.File(L"new.txt"), L"n", TextEncoding::Utf8, true));
    EXPECT_EQ(ReadFileBytes(dir.File(L"new.txt")), "\xEF\xBB\xBFn");
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u);
}

TEST(TextFileTest, BackupsNeverStayInTheUsersFolderAndStaleOnesGo) {
    TempDir dir;
    TempDir own;
    testsupport::ScopedEnvironment folder(L"BREVITEX_RECOVERY", own.Path().c_str());
    ASSERT_TRUE(CreateDirectoryW(own.File(L"Backup").c_str(), nullptr));
    // Left by a save of a process that has gone, here and in the user's folder.
    const std::wstring staleOwn = own.File(L"Backup\\~bvx4294967280-0000BEEF.tmp");
    const std::wstring staleHere = dir.File(L"~bvx4294967280-0000BEEF.tmp");
    const std::wstring usersOwn = dir.File(L"~bvxnotes.tmp");
    ASSERT_TRUE(WriteBytes(staleOwn, "old copy"));
    ASSERT_TRUE(WriteBytes(staleHere, "old copy"));
    ASSERT_TRUE(WriteBytes(usersOwn, "the user's"));
    std::wstring path = dir.File(L"doc.txt");
    ASSERT_TRUE(WriteBytes(path, std::string(5000, 'o')));
    ASSERT_TRUE(Save(path, L"new", TextEncoding::Utf8, false));
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(GetFileAttributesW(staleOwn.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(staleHere.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(FilesIn(dir.Path()).size(), 2u) << "only the user's files";
    EXPECT_TRUE(FilesIn(own.File(L"Backup")).empty());
    EXPECT_NE(GetFileAttributesW(usersOwn.c_str()), INVALID_FILE_ATTRIBUTES) << "a name not of our pattern stays";
}

TEST(TextFileTest, WritesThroughTheBufferInWholeLoads) {
    TempDir dir;
    std::wstring path = dir.File(L"buffered.txt");
    struct Case {
        const char* name;
        size_t units;                // UTF-16 body units after the 2-byte BOM
        std::vector<DWORD> writes;   // platform writes expected
    } cases[] = {
        {"BOM and body fill the buffer exactly", 2047, {4096}},
        {"one byte spills", 2048, {4096, 2}},
        {"a remainder below the buffer is buffered", 4094, {4096, 4094}},
        {"a remainder of 4096 bytes goes straight to the file", 4095, {4096, 4096}},
        {"a long remainder goes straight to the file", 10000, {4096, 15906}},
    };
    for (const Case& c : cases) {
        std::wstring text;
        for (size_t i = 0; i < c.units; ++i) text += static_cast<wchar_t>(0x4E00 + i % 500);
        WriteSpy spy;
        ASSERT_TRUE(Save(path, text, TextEncoding::Utf16, true)) << c.name;
        EXPECT_EQ(spy.Calls(), c.writes) << c.name;
        std::string expected = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        EXPECT_EQ(ReadFileBytes(path), expected) << c.name;
    }
}

TEST(TextFileTest, FailedSaveLeavesTheOriginalIntact) {
    TempDir dir;
    std::wstring path = dir.File(L"keep.txt");
    const std::string original = "original content\r\n";
    ASSERT_TRUE(WriteBytes(path, original));
    const std::wstring longText(9000, L'z');
    struct Case {
        const char* name;
        std::wstring text;
        uint64_t budget;
    } cases[] = {
        {"first buffer load fails", longText, 0},
        {"direct write of the remainder fails", longText, 4096 + 100},
        {"the flush made by closing fails", L"short", 3},
    };
    for (const Case& c : cases) {
        TextEncoding encoding = TextEncoding::Utf8;
        bool writeBom = false;
        WideString text(c.text.c_str());
        {
            WriteSpy spy(c.budget);
            EXPECT_FALSE(SaveTextFile(path.c_str(), text, encoding, writeBom)) << c.name;
        }
        EXPECT_EQ(ReadFileBytes(path), original) << c.name;
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::wstring>{L"keep.txt"}) << c.name;
    }
    // A failure in the middle of writing over a longer original puts every byte back.
    std::string longOriginal;
    for (int i = 0; i < 30000; ++i) longOriginal += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteBytes(path, longOriginal));
    {
        WriteSpy spy(12000);
        EXPECT_FALSE(Save(path, std::wstring(20000, L'z'), TextEncoding::Utf8, false));
    }
    EXPECT_EQ(ReadFileBytes(path), longOriginal);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::wstring>{L"keep.txt"});
    ASSERT_TRUE(WriteBytes(path, original));

    // A new file that fails is not created at all.
    {
        WriteSpy spy(10);
        EXPECT_FALSE(Save(dir.File(L"never.txt"), longText, TextEncoding::Utf8, false));
    }
    EXPECT_EQ(GetFileAttributesW(dir.File(L"never.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // Text that UTF-8 cannot hold fails before the file system is touched.
    EXPECT_FALSE(Save(path, L"a\xD800", TextEncoding::Utf8, false));
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(FilesIn(dir.Path()).size(), 1u);
}

TEST(BufferedFileTest, ReportsEveryFailureAndClosesCleanly) {
    TempDir dir;
    std::wstring path = dir.File(L"raw.bin");
    BufferedFile file;
    EXPECT_FALSE(file.Open(path.c_str(), GENERIC_READ, OPEN_EXISTING));
    ASSERT_TRUE(file.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
    EXPECT_EQ(file.Write(nullptr, 5), 0u);
    EXPECT_EQ(file.Write("abc", 0), 0u);
    EXPECT_EQ(file.Write("abc", 3), 3u);
    EXPECT_TRUE(file.Flush());
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadFileBytes(path), "abc");

    // A file opened for reading accepts no bytes.
    ASSERT_TRUE(file.Open(path.c_str(), GENERIC_READ, OPEN_EXISTING));
    EXPECT_EQ(file.Write("x", 1), 0u);
    EXPECT_TRUE(file.Close());

    // A failed flush is remembered until the file is opened again.
    ASSERT_TRUE(file.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
    {
        WriteSpy spy(0);
        EXPECT_EQ(file.Write("abc", 3), 3u);
        EXPECT_FALSE(file.Flush());
        EXPECT_TRUE(file.Failed());
        EXPECT_FALSE(file.Close());
    }
    ASSERT_TRUE(file.Open(path.c_str(), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS));
    EXPECT_FALSE(file.Failed());
    EXPECT_TRUE(file.Close());
}

TEST(TextFileTest, SaveKeepsTheFileItsModeOwnerAndLinks) {
    TempDir dir;
    std::wstring path = dir.File(L"private.txt");
    std::wstring link = dir.File(L"link.txt");
    ASSERT_TRUE(WriteBytes(path, "secret\n"));
    if (UnixPath(path).empty()) GTEST_SKIP() << "no Unix side: modes, owners and links are checked under Wine";
    // Root can give the file another owner; anyone else keeps their own.
    std::string owner = UnixIsRoot() ? " && chown 65534 " + Quoted(path) : "";
    ASSERT_TRUE(RunUnix("chmod 0600 " + Quoted(path) + owner + " && ln " + Quoted(path) + " " + Quoted(link)));
    // Where file permissions bind even root's file server, the file goes back to root.
    if (!owner.empty() && !CanOpenForWriting(path)) {
        ASSERT_TRUE(RunUnix("chown 0 " + Quoted(path)));
        owner.clear();
    }
    const std::string before = UnixIdentity(path);
    ASSERT_EQ(before.substr(0, 4), "600 ");

    ASSERT_TRUE(Save(path, L"changed", TextEncoding::Utf8, false));
    EXPECT_EQ(UnixIdentity(path), before) << "mode, owner, links and inode";
    EXPECT_EQ(ReadFileBytes(link), "changed") << "the hard link sees the new text";
    FileIdentity a = WindowsIdentity(path);
    FileIdentity b = WindowsIdentity(link);
    EXPECT_EQ(a.links, 2u);
    EXPECT_EQ(a.index, b.index);

    // The execute bit stays as well.
    ASSERT_TRUE(RunUnix("chmod 0755 " + Quoted(path)));
    ASSERT_TRUE(Save(path, L"#!/bin/sh\n", TextEncoding::Utf8, false));
    EXPECT_EQ(UnixIdentity(path).substr(0, 4), "755 ");
}

TEST(TextFileTest, SaveRefusesAFileThatMayNotBeWritten) {
    TempDir dir;
    std::wstring path = dir.File(L"theirs.txt");
    const std::string original = "someone else's\n";
    ASSERT_TRUE(WriteBytes(path, original));
    if (UnixPath(path).empty()) GTEST_SKIP() << "no Unix side: file modes are set up under Wine";
    // Another user's file, writable by its owner only; a user who owns it
    // cannot give it away, so takes write permission away instead.
    bool root = UnixIsRoot();
    ASSERT_TRUE(RunUnix(root ? "chown 65534 " + Quoted(path) + " && chmod 0644 " + Quoted(path)
                             : "chmod 0444 " + Quoted(path)));
    UnixUndo undo;
    if (CanOpenForWriting(path)) {
        // Modes do not stop root; an immutable file stops everyone.
        if (RunUnix("chattr +i " + Quoted(path))) undo.Set("chattr -i " + Quoted(path));
        if (CanOpenForWriting(path)) GTEST_SKIP() << "cannot make a file this user may not write";
    }
    EXPECT_FALSE(Save(path, L"overwritten", TextEncoding::Utf8, false));
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::wstring>{L"theirs.txt"});
}

TEST(TextFileTest, SavesInPlaceWhereTheFolderTakesNoNewFiles) {
    TempDir dir;
    std::wstring folder = dir.File(L"locked");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring path = folder + L"\\doc.txt";
    ASSERT_TRUE(WriteBytes(path, "before\n"));
    if (UnixPath(path).empty()) GTEST_SKIP() << "no Unix side: folder modes are set up under Wine";
    UnixUndo undo;
    if (UnixIsRoot()) {
        // Modes do not stop root; an immutable folder takes no new files from anyone.
        if (RunUnix("chattr +i " + Quoted(folder))) undo.Set("chattr -i " + Quoted(folder));
    } else if (RunUnix("chmod 0555 " + Quoted(folder))) {
        undo.Set("chmod 0755 " + Quoted(folder));
    }
    if (CanCreateIn(folder)) GTEST_SKIP() << "cannot make a folder this user may not add files to";
    ASSERT_TRUE(Save(path, L"after\n", TextEncoding::Utf8, false));
    EXPECT_EQ(ReadFileBytes(path), "after\n");
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"doc.txt"});
}

TEST(TextFileTest, FullStorageLeavesTheOriginalByteIdentical) {
    TempDir dir;
    std::wstring folder = dir.File(L"small");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    if (UnixPath(folder).empty()) GTEST_SKIP() << "no Unix side: the small file system is mounted under Wine";
    if (!RunUnix("mount -t tmpfs -o size=256k tmpfs " + Quoted(folder))) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root or CAP_SYS_ADMIN)";
    }
    UnixUndo unmount;
    unmount.Set("umount " + Quoted(folder));
    std::wstring path = folder + L"\\doc.txt";
    const std::wstring tooLong(1 << 20, L'x');
    // With room for a backup beside the file, and without (it goes to the temporary folder).
    for (size_t size : {size_t{40000}, size_t{160000}}) {
        std::string original;
        for (size_t i = 0; i < size; ++i) original += static_cast<char>('A' + i % 23);
        ASSERT_TRUE(WriteBytes(path, original)) << size;
        EXPECT_FALSE(Save(path, tooLong, TextEncoding::Utf8, false)) << size;
        EXPECT_EQ(ReadFileBytes(path), original) << size;
        EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"doc.txt"}) << size;
    }
    // A text that fits is saved even when its backup must go elsewhere.
    EXPECT_TRUE(Save(path, L"fits", TextEncoding::Utf8, false));
    EXPECT_EQ(ReadFileBytes(path), "fits");
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{L"doc.txt"});
}
