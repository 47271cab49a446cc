// Cut, copy, paste and delete through the real clipboard and the shell's file
// operation on real folders; file-drop lists from other programs, well formed
// and malformed; the storage card chosen by size.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/DeviceShell.h"
#include "filebrowser/FileCommands.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::BoxAnswerer;
using testsupport::FileOperationRecorder;
using testsupport::ReadBytes;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

class Owner {
public:
    Owner() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    }
    ~Owner() { DestroyWindow(hwnd_); }
    HWND hwnd_;
};

// Opens the clipboard, waiting briefly while another window holds it.
bool OpenClipboardFor(HWND owner) {
    return testsupport::PumpUntil([&] { return OpenClipboard(owner) != FALSE; }, 3000);
}

std::string BlockBytes(HGLOBAL block) {
    std::string bytes;
    if (!block) return bytes;
    const char* data = static_cast<const char*>(GlobalLock(block));
    if (!data) return bytes;
    bytes.assign(data, GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

DWORD DwordAt(const std::string& bytes, size_t offset) {
    DWORD value = 0;
    if (offset + 4 <= bytes.size()) memcpy(&value, bytes.data() + offset, 4);
    return value;
}

// Puts a block made of raw bytes on the clipboard as CF_HDROP, with an optional effect.
void PutRawDropList(HWND owner, const std::string& bytes, DWORD effect = 0) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    ASSERT_NE(block, nullptr);
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    ASSERT_TRUE(OpenClipboardFor(owner));
    EmptyClipboard();
    SetClipboardData(CF_HDROP, block);
    if (effect) {
        HGLOBAL effectBlock = GlobalAlloc(GMEM_MOVEABLE, 4);
        memcpy(GlobalLock(effectBlock), &effect, 4);
        GlobalUnlock(effectBlock);
        SetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"), effectBlock);
    }
    CloseClipboard();
}

std::string DropListBytes(const std::vector<std::wstring>& paths) {
    std::string bytes(20, '\0');
    DWORD header[5] = {20, 0, 0, 0, 1};
    memcpy(bytes.data(), header, sizeof(header));
    for (const auto& path : paths) {
        bytes.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * 2);
    }
    bytes.append(2, '\0');
    return bytes;
}

void EmptyTheClipboard(HWND owner) {
    ASSERT_TRUE(OpenClipboardFor(owner));
    EmptyClipboard();
    CloseClipboard();
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring List(const std::wstring& path) { return path + L'\0' + L'\0'; }

class FileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteBytes(dir_.File(L"笔记.txt"), "note"));
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"a").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"b").c_str(), nullptr));
    }
    void TearDown() override { EmptyTheClipboard(owner_.hwnd_); }

    TempDir dir_{TempDir::kDevicePath};
    Owner owner_;
};

}  // namespace

TEST_F(FileCommandsTest, CopyAndCutPlaceADropListOtherProgramsReadWithTheirEffect) {
    const std::wstring path = dir_.File(L"笔记.txt");
    ASSERT_TRUE(PutFileOnClipboard(owner_.hwnd_, path.c_str(), kDropEffectCopyLink));
    EXPECT_TRUE(ClipboardHasFileDrop());

    ASSERT_TRUE(OpenClipboardFor(owner_.hwnd_));
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    ASSERT_NE(drop, nullptr);
    std::string bytes = BlockBytes(drop);
    EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 1u);
    wchar_t read[MAX_PATH] = {};
    DragQueryFileW(drop, 0, read, MAX_PATH);
    DWORD effect = DwordAt(BlockBytes(GetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"))), 0);
    CloseClipboard();

    EXPECT_EQ(read, path);
    EXPECT_EQ(effect, 5u);
    ASSERT_EQ(bytes.size(), (path.size() + 12) * 2);
    EXPECT_EQ(DwordAt(bytes, 0), 20u);
    EXPECT_EQ(DwordAt(bytes, 12), 1u) << "non-client flag";
    EXPECT_EQ(DwordAt(bytes, 16), 1u) << "UTF-16 paths";
    EXPECT_EQ(bytes.substr(20, path.size() * 2), std::string(reinterpret_cast<const char*>(path.c_str()), path.size() * 2));
    EXPECT_EQ(bytes.substr(20 + path.size() * 2), std::string(4, '\0'));

    ASSERT_TRUE(PutFileOnClipboard(owner_.hwnd_, path.c_str(), kDropEffectMove));
    ASSERT_TRUE(OpenClipboardFor(owner_.hwnd_));
    effect = DwordAt(BlockBytes(GetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"))), 0);
    CloseClipboard();
    EXPECT_EQ(effect, 2u);

    EXPECT_FALSE(PutFileOnClipboard(owner_.hwnd_, L"", kDropEffectMove)) << "no selected entry, nothing placed";
}

TEST_F(FileCommandsTest, CutIsPastedOnceWhileACopyPastesEveryTime) {
    FileOperationRecorder shell(true);
    const std::wstring source = dir_.File(L"笔记.txt");
    ASSERT_TRUE(PutFileOnClipboard(owner_.hwnd_, source.c_str(), kDropEffectCopyLink));
    EXPECT_TRUE(PasteFile(owner_.hwnd_, dir_.File(L"a").c_str()));
    EXPECT_TRUE(PasteFile(owner_.hwnd_, (dir_.File(L"b") + L"\\").c_str())) << "a trailing '\\' is not doubled";
    ASSERT_EQ(shell.Operations().size(), 2u);
    EXPECT_EQ(shell.Operations()[0].operation, static_cast<UINT>(FO_COPY));
    EXPECT_EQ(shell.Operations()[0].from, List(source));
    EXPECT_EQ(shell.Operations()[0].to, List(dir_.File(L"a\\笔记.txt")));
    EXPECT_EQ(shell.Operations()[0].flags, 0);
    EXPECT_EQ(shell.Operations()[1].to, List(dir_.File(L"b\\笔记.txt")));
    EXPECT_TRUE(Exists(dir_.File(L"a\\笔记.txt")));
    EXPECT_TRUE(Exists(dir_.File(L"b\\笔记.txt")));
    EXPECT_TRUE(Exists(source));
    EXPECT_TRUE(ClipboardHasFileDrop());

    shell.Clear();
    ASSERT_TRUE(PutFileOnClipboard(owner_.hwnd_, dir_.File(L"a").c_str(), kDropEffectMove));
    EXPECT_TRUE(PasteFile(owner_.hwnd_, dir_.File(L"b").c_str()));
    EXPECT_FALSE(ClipboardHasFileDrop()) << "a cut empties the clipboard when it is pasted";
    EXPECT_FALSE(PasteFile(owner_.hwnd_, dir_.Path().c_str()));
    ASSERT_EQ(shell.Operations().size(), 1u);
    EXPECT_EQ(shell.Operations()[0].operation, static_cast<UINT>(FO_MOVE));
    EXPECT_EQ(shell.Operations()[0].to, List(dir_.File(L"b\\a")));
    EXPECT_FALSE(Exists(dir_.File(L"a")));
    std::string moved;
    EXPECT_TRUE(ReadBytes(dir_.File(L"b\\a\\笔记.txt"), &moved)) << "the folder moved with its contents";
    EXPECT_EQ(moved, "note");
}

TEST_F(FileCommandsTest, CutPastedOverAFileAsksAndStaysOnTheClipboardUnlessItMoved) {
    ASSERT_TRUE(WriteBytes(dir_.File(L"a\\笔记.txt"), "older"));
    BoxAnswerer boxes(IDNO);
    ASSERT_TRUE(PutFileOnClipboard(owner_.hwnd_, dir_.File(L"笔记.txt").c_str(), kDropEffectMove));
    EXPECT_TRUE(PasteFile(owner_.hwnd_, dir_.File(L"a").c_str()));
    ASSERT_EQ(boxes.Boxes().size(), 1u) << "replacing a file asks first";
    std::string bytes;
    EXPECT_TRUE(ReadBytes(dir_.File(L"a\\笔记.txt"), &bytes) && bytes == "older");
    EXPECT_TRUE(Exists(dir_.File(L"笔记.txt")));
    EXPECT_TRUE(ClipboardHasFileDrop()) << "a cut that did not move stays for another try";

    boxes.SetAnswer(IDYES);
    EXPECT_TRUE(PasteFile(owner_.hwnd_, dir_.File(L"a").c_str()));
    EXPECT_TRUE(ReadBytes(dir_.File(L"a\\笔记.txt"), &bytes) && bytes == "note");
    EXPECT_FALSE(Exists(dir_.File(L"笔记.txt")));
    EXPECT_FALSE(ClipboardHasFileDrop());
}

TEST_F(FileCommandsTest, AnotherProgramsListPastesItsFirstPathAndMalformedListsNothing) {
    FileOperationRecorder shell(false);
    const std::wstring first = dir_.File(L"笔记.txt");
    PutRawDropList(owner_.hwnd_, DropListBytes({first, dir_.File(L"a")}), 2);
    EXPECT_TRUE(PasteFile(owner_.hwnd_, dir_.File(L"b").c_str()));
    ASSERT_EQ(shell.Operations().size(), 1u);
    EXPECT_EQ(shell.Operations()[0].operation, static_cast<UINT>(FO_MOVE));
    EXPECT_EQ(shell.Operations()[0].from, List(first));

    // A path that runs to the block's end, an offset past the end, a block
    // shorter than the offset field: no file, nothing read beyond the block.
    std::string unterminated = DropListBytes({first});
    unterminated.resize(unterminated.size() - 4);
    std::string pastTheEnd = DropListBytes({first});
    DWORD beyond = 0x7FFFFFF0;
    memcpy(pastTheEnd.data(), &beyond, 4);
    std::string atTheEnd = DropListBytes({first});
    DWORD end = static_cast<DWORD>(atTheEnd.size());
    memcpy(atTheEnd.data(), &end, 4);
    for (const std::string& bytes : {unterminated, pastTheEnd, atTheEnd, std::string("\x14\0", 2)}) {
        shell.Clear();
        PutRawDropList(owner_.hwnd_, bytes);
        EXPECT_FALSE(PasteFile(owner_.hwnd_, dir_.File(L"b").c_str()));
        EXPECT_TRUE(shell.Operations().empty());
    }
}

TEST_F(FileCommandsTest, FirstDropPathStaysInsideTheBlock) {
    // A block filled with non-zero units to its very end, whatever size the heap gave it.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
    ASSERT_NE(block, nullptr);
    const SIZE_T size = GlobalSize(block);
    auto* data = static_cast<BYTE*>(GlobalLock(block));
    memset(data, 'A', size);
    DWORD offset = 20;
    memcpy(data, &offset, 4);
    GlobalUnlock(block);
    WideString path(L"stale");
    EXPECT_FALSE(FirstDropPath(block, path));
    EXPECT_TRUE(path.IsEmpty());

    // The same block with a terminator in its last unit gives the path before it.
    data = static_cast<BYTE*>(GlobalLock(block));
    const SIZE_T last = 20 + ((size - 20) / 2 - 1) * 2;
    data[last] = 0;
    data[last + 1] = 0;
    GlobalUnlock(block);
    EXPECT_TRUE(FirstDropPath(block, path));
    EXPECT_EQ(path.Length(), static_cast<int>((last - 20) / 2));
    GlobalFree(block);
    EXPECT_FALSE(FirstDropPath(nullptr, path));
}

TEST_F(FileCommandsTest, DeleteAsksFirstAndHandsTheEntryToTheShell) {
    FileOperationRecorder shell(true);
    const std::wstring path = dir_.File(L"笔记.txt");
    {
        BoxAnswerer boxes(IDNO);
        EXPECT_FALSE(DeleteWithPrompt(owner_.hwnd_, path.c_str()));
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, L"删除选中的文件吗?");
        EXPECT_EQ(shown[0].caption, L"Brevitex");
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(shown[0].owner, owner_.hwnd_);
    }
    EXPECT_TRUE(shell.Operations().empty());
    EXPECT_TRUE(Exists(path));

    BoxAnswerer boxes(IDYES);
    EXPECT_TRUE(DeleteWithPrompt(owner_.hwnd_, path.c_str()));
    ASSERT_EQ(shell.Operations().size(), 1u);
    EXPECT_EQ(shell.Operations()[0].operation, static_cast<UINT>(FO_DELETE));
    EXPECT_EQ(shell.Operations()[0].from, List(path));
    EXPECT_EQ(shell.Operations()[0].to, L"<null>");
    EXPECT_EQ(shell.Operations()[0].flags, 0);
    EXPECT_FALSE(Exists(path));
}

namespace {

// Card sizes by path for the free-space hook; a path not listed cannot be measured.
struct CardSizes {
    std::vector<std::pair<std::wstring, ULONGLONG>> sizes;
    static bool Answer(const wchar_t* folder, DiskSpace* space, void* context) {
        for (const auto& [path, total] : static_cast<CardSizes*>(context)->sizes) {
            if (path == folder) {
                space->total.QuadPart = total;
                space->totalFree.QuadPart = space->freeToCaller.QuadPart = total / 2;
                return true;
            }
        }
        return false;
    }
};

std::wstring ChosenCard() {
    wchar_t buffer[MAX_PATH] = L"\\";
    FindStorageCard(buffer, MAX_PATH);
    return buffer;
}

}  // namespace

TEST_F(FileCommandsTest, StorageCardIsTheLargestTheLastOfEqualsOrNone) {
    for (const wchar_t* name : {L"c1", L"c2", L"c3"}) ASSERT_TRUE(CreateDirectoryW(dir_.File(name).c_str(), nullptr));
    const std::wstring c1 = dir_.File(L"c1"), c2 = dir_.File(L"c2"), c3 = dir_.File(L"c3");
    std::wstring list = c1.substr(1) + L";" + c2.substr(1) + L";" + c3.substr(1);
    ScopedEnvironment cards(L"BREVITEX_STORAGE_CARDS", list.c_str());
    CardSizes sizes;
    SetDiskSpaceHook(&CardSizes::Answer, &sizes);

    sizes.sizes = {{c1, 8ull << 30}, {c2, 32ull << 30}, {c3, 16ull << 30}};
    EXPECT_EQ(ChosenCard(), c2) << "the larger card, compared in 64 bits";
    sizes.sizes = {{c1, 4ull << 30}, {c2, 4ull << 30}};
    EXPECT_EQ(ChosenCard(), c2) << "equal sizes: the last enumerated; c3 cannot be measured";
    sizes.sizes = {};
    EXPECT_EQ(ChosenCard(), L"\\") << "no card measured: the device root";
    SetDiskSpaceHook(nullptr, nullptr);

    ScopedEnvironment none(L"BREVITEX_STORAGE_CARDS", nullptr);
    EXPECT_EQ(ChosenCard(), L"\\");
}
