// The device's file operation and rename on real folders: symbolic links made
// on the Unix side, collisions, deep paths, names the platform shows alike, a
// folder into itself and a cancelled folder copy.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DeviceShell.h"
#include "support/TestSupport.h"
#include "support/UnixSide.h"

using namespace brevitex;
using testsupport::BoxAnswerer;
using testsupport::ReadBytes;
using testsupport::RunUnix;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::UnixPath;
using testsupport::WriteBytes;

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Unix(const std::wstring& path) { return ShellQuote(UnixPath(path)); }

// Runs one operation; flags added to FOF_SILENT so no progress window shows.
int Operate(UINT function, const std::wstring& from, const std::wstring& to = L"", FILEOP_FLAGS flags = 0,
            bool* aborted = nullptr) {
    std::wstring fromList = from + L'\0';
    std::wstring toList = to + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = function;
    operation.pFrom = fromList.c_str();
    operation.pTo = function == FO_DELETE ? nullptr : toList.c_str();
    operation.fFlags = static_cast<FILEOP_FLAGS>(flags | FOF_SILENT);
    int result = DeviceFileOperation(&operation);
    if (aborted) *aborted = operation.fAnyOperationsAborted != FALSE;
    return result;
}

class FileOperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (UnixPath(dir_.Path()).empty()) GTEST_SKIP() << "needs a Unix side for symbolic links";
    }
    // Makes a symbolic link on the Unix side: name -> target (as written).
    void Link(const std::string& target, const std::wstring& name) {
        ASSERT_TRUE(RunUnix("ln -s " + ShellQuote(target) + " " + Unix(name)));
    }
    bool IsLink(const std::wstring& path) { return RunUnix("test -L " + Unix(path)); }
    // Every box the operations show, in order (none may be left on screen).
    std::wstring Told() const {
        std::wstring text;
        for (const auto& box : boxes_.Boxes()) text += box.text + L"\n";
        return text;
    }
    TempDir dir_;
    BoxAnswerer boxes_{IDOK};
};

TEST_F(FileOperationTest, LinksAreDeletedMovedAndCopiedAsLinksNeverThroughThem) {
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"victim").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir_.File(L"victim\\keep.txt"), "keep"));
    ASSERT_TRUE(WriteBytes(dir_.File(L"file.txt"), "file"));
    Link("victim", dir_.File(L"folderlink"));
    Link("file.txt", dir_.File(L"filelink"));

    EXPECT_EQ(Operate(FO_DELETE, dir_.File(L"folderlink"), L"", FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_EQ(Operate(FO_DELETE, dir_.File(L"filelink"), L"", FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_FALSE(IsLink(dir_.File(L"folderlink")));
    EXPECT_FALSE(IsLink(dir_.File(L"filelink")));
    std::string bytes;
    EXPECT_TRUE(ReadBytes(dir_.File(L"victim\\keep.txt"), &bytes) && bytes == "keep");
    EXPECT_TRUE(ReadBytes(dir_.File(L"file.txt"), &bytes) && bytes == "file");

    // A folder holding links out of itself loses the links, not what they reach.
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"chosen").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir_.File(L"chosen\\own.txt"), "own"));
    Link("../victim", dir_.File(L"chosen\\ext"));
    Link("..", dir_.File(L"chosen\\up"));
    Link("../nothing-here", dir_.File(L"chosen\\dangling"));
    EXPECT_EQ(Operate(FO_DELETE, dir_.File(L"chosen"), L"", FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_FALSE(Exists(dir_.File(L"chosen")));
    EXPECT_TRUE(ReadBytes(dir_.File(L"victim\\keep.txt"), &bytes) && bytes == "keep");
    EXPECT_TRUE(Exists(dir_.File(L"file.txt")));

    // A moved link arrives as the same link; its target stays where it was.
    Link("file.txt", dir_.File(L"movelink"));
    EXPECT_EQ(Operate(FO_MOVE, dir_.File(L"movelink"), dir_.File(L"victim\\moved"), FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_TRUE(IsLink(dir_.File(L"victim\\moved")));
    EXPECT_FALSE(IsLink(dir_.File(L"movelink")));
    EXPECT_TRUE(ReadBytes(dir_.File(L"file.txt"), &bytes) && bytes == "file");

    // A folder holding a link to itself is copied once, the link as a link.
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"a").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir_.File(L"a\\x.txt"), "x"));
    Link(".", dir_.File(L"a\\self"));
    EXPECT_EQ(Operate(FO_COPY, dir_.File(L"a"), dir_.File(L"b"), FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_TRUE(ReadBytes(dir_.File(L"b\\x.txt"), &bytes) && bytes == "x");
    EXPECT_TRUE(IsLink(dir_.File(L"b\\self")));
    std::string listing;
    ASSERT_TRUE(RunUnix("ls -A " + Unix(dir_.File(L"b")) + " && readlink " + Unix(dir_.File(L"b\\self")), &listing));
    EXPECT_EQ(listing, "self\nx.txt\n.\n");
}

TEST_F(FileOperationTest, ReplacingAsksAndNoOrCancelChangeNothing) {
    ASSERT_TRUE(WriteBytes(dir_.File(L"src.txt"), "new"));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"there").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir_.File(L"there\\src.txt"), "old"));

    BoxAnswerer& boxes = boxes_;
    boxes.SetAnswer(IDNO);
    bool aborted = false;
    EXPECT_NE(Operate(FO_MOVE, dir_.File(L"src.txt"), dir_.File(L"there\\src.txt"), 0, &aborted), 0);
    EXPECT_TRUE(aborted);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].type & 0xF, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.Boxes()[0].type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2));
    std::string bytes;
    EXPECT_TRUE(ReadBytes(dir_.File(L"src.txt"), &bytes) && bytes == "new");
    EXPECT_TRUE(ReadBytes(dir_.File(L"there\\src.txt"), &bytes) && bytes == "old");

    boxes.SetAnswer(IDYES);
    EXPECT_EQ(Operate(FO_MOVE, dir_.File(L"src.txt"), dir_.File(L"there\\src.txt")), 0) << Told();
    EXPECT_FALSE(Exists(dir_.File(L"src.txt")));
    EXPECT_TRUE(ReadBytes(dir_.File(L"there\\src.txt"), &bytes) && bytes == "new");

    // Several files may collide in a folder: Yes / Yes to all / No / Cancel.
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"f").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"g").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"g\\f").c_str(), nullptr));
    for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"}) {
        ASSERT_TRUE(WriteBytes(dir_.File(L"f\\") + name, "copy"));
        ASSERT_TRUE(WriteBytes(dir_.File(L"g\\f\\") + name, "kept"));
    }
    const size_t before = boxes.Boxes().size();
    boxes.SetAnswers({IDYES, IDNO, IDCANCEL});
    EXPECT_EQ(Operate(FO_COPY, dir_.File(L"f"), dir_.File(L"g\\f"), 0, &aborted), ERROR_CANCELLED);
    EXPECT_TRUE(aborted);
    const auto asked = boxes.Boxes();
    ASSERT_EQ(asked.size(), before + 4) << "merge, two files, then what the cancel left done: " << Told();
    EXPECT_EQ(asked[before + 1].type & 0xF, kMessageBoxYesToAllNoCancel) << Told();
    int replaced = 0;
    for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"}) {
        ASSERT_TRUE(ReadBytes(dir_.File(L"g\\f\\") + name, &bytes));
        if (bytes == "copy") ++replaced;
    }
    EXPECT_EQ(replaced, 0) << "a Cancel before any file question was answered Yes leaves every file";
}

TEST_F(FileOperationTest, RefusesItselfItsSubfolderAndNamesThatReachTwoEntries) {
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"top").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"top\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(dir_.File(L"top\\f.txt"), "f"));
    BoxAnswerer& boxes = boxes_;
    EXPECT_NE(Operate(FO_COPY, dir_.File(L"top"), dir_.File(L"top\\sub\\top")), 0);
    EXPECT_NE(Operate(FO_MOVE, dir_.File(L"top"), dir_.File(L"top\\sub\\top")), 0);
    EXPECT_NE(Operate(FO_COPY, dir_.File(L"top\\f.txt"), dir_.File(L"top\\f.txt")), 0);
    EXPECT_FALSE(Exists(dir_.File(L"top\\sub\\top")));
    EXPECT_EQ(boxes.Boxes().size(), 3u) << "each refusal is told";

    // Two names that are not UTF-8 both show as the same name here: neither
    // is deleted by it.
    ASSERT_TRUE(RunUnix("cd " + Unix(dir_.Path()) + " && printf one > \"$(printf 'n\\377')\" && "
                        "printf two > \"$(printf 'n\\376')\""));
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(dir_.File(L"n*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::wstring shown = data.cFileName;
    FindClose(search);
    const size_t before = boxes.Boxes().size();
    EXPECT_NE(Operate(FO_DELETE, dir_.File(shown), L"", FOF_NOCONFIRMATION), 0);
    EXPECT_EQ(boxes.Boxes().size(), before + 1);
    std::string count;
    ASSERT_TRUE(RunUnix("ls " + Unix(dir_.Path()) + " | grep -c '^n'", &count));
    EXPECT_EQ(count, "2\n");
}

TEST_F(FileOperationTest, DeepPathsAreCopiedMovedAndDeleted) {
    std::wstring deep = dir_.Path();
    const std::wstring part(60, L'd');
    while (deep.size() < 600) {
        deep += L"\\" + part;
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    ASSERT_TRUE(WriteBytes(dir_.File(L"short.txt"), "short"));
    EXPECT_EQ(Operate(FO_COPY, dir_.File(L"short.txt"), deep + L"\\short.txt"), 0) << Told();
    EXPECT_EQ(Operate(FO_MOVE, deep + L"\\short.txt", deep + L"\\moved.txt"), 0) << Told();
    EXPECT_TRUE(Exists(L"\\\\?\\" + deep + L"\\moved.txt"));
    EXPECT_EQ(Operate(FO_DELETE, dir_.File(part), L"", FOF_NOCONFIRMATION), 0) << Told();
    EXPECT_FALSE(Exists(dir_.File(part)));
}

TEST_F(FileOperationTest, CancelledFolderCopyLeavesOnlyWholeFilesAndSaysSo) {
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"many").c_str(), nullptr));
    const std::string body(100000, 'z');
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(WriteBytes(dir_.File(L"many\\" + std::to_wstring(i) + L".txt"), body));
    }
    struct Counter {
        int steps = 0;
        int total = 0;
    } counter;
    SetFileProgressHook(
        [](const wchar_t*, int done, int total, void* context) {
            auto* seen = static_cast<Counter*>(context);
            seen->steps = done;
            seen->total = total;
            return done < 6;
        },
        &counter);
    BoxAnswerer& boxes = boxes_;
    bool aborted = false;
    EXPECT_EQ(Operate(FO_COPY, dir_.File(L"many"), dir_.File(L"copy"), 0, &aborted), ERROR_CANCELLED);
    SetFileProgressHook(nullptr, nullptr);
    EXPECT_TRUE(aborted);
    EXPECT_EQ(counter.total, 21);
    ASSERT_EQ(boxes.Boxes().size(), 1u) << "a cancel says what was done";
    std::string listing;
    ASSERT_TRUE(RunUnix("ls -A " + Unix(dir_.File(L"copy")), &listing));
    EXPECT_EQ(listing.find(".tmp"), std::string::npos) << listing;
    int whole = 0;
    for (int i = 0; i < 20; ++i) {
        std::string bytes;
        if (!ReadBytes(dir_.File(L"copy\\" + std::to_wstring(i) + L".txt"), &bytes)) continue;
        EXPECT_EQ(bytes, body);
        ++whole;
    }
    EXPECT_GT(whole, 0);
    EXPECT_LT(whole, 20);
}

TEST_F(FileOperationTest, RenameRefusesNamesTheDiskWouldChangeAndMakesCaseChanges) {
    ASSERT_TRUE(WriteBytes(dir_.File(L"a.txt"), "a"));
    const std::wstring tooLong = std::wstring(90, L'汉') + L".txt";
    EXPECT_EQ(DeviceRenameEntry(dir_.File(L"a.txt").c_str(), tooLong.c_str()),
              static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(DeviceRenameEntry(dir_.File(L"a.txt").c_str(), L"nb.txt."), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_TRUE(Exists(dir_.File(L"a.txt")));

    EXPECT_EQ(DeviceRenameEntry(dir_.File(L"a.txt").c_str(), L"A.TXT"), 0u);
    std::string listing;
    ASSERT_TRUE(RunUnix("ls " + Unix(dir_.Path()), &listing));
    EXPECT_EQ(listing, "A.TXT\n");

    // A link is renamed as a link.
    Link("A.TXT", dir_.File(L"l"));
    EXPECT_EQ(DeviceRenameEntry(dir_.File(L"l").c_str(), L"m"), 0u);
    EXPECT_TRUE(IsLink(dir_.File(L"m")));
    EXPECT_TRUE(Exists(dir_.File(L"A.TXT")));
}

}  // namespace
