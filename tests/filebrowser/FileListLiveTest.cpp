// The list and tree following a shown folder's changes: made by this process
// through the file system and by a second process, applied item by item, with
// a full reload only where a change cannot be applied.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "FileBrowserTestSupport.h"
#include "device/DeviceShell.h"

using namespace brevitex;
using namespace filebrowsertest;
using testsupport::PumpUntil;

namespace {

constexpr DWORD kWaitMs = 10000;

class FileListLiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        ASSERT_TRUE(MakeFile(dir.File(L"keep.txt"), 10));
        ASSERT_TRUE(MakeFolder(dir.File(L"sub")));
        ASSERT_TRUE(MakeFolder(dir.File(L"sibling")));
        controls.LinkAndFillTree();
        folderItem = controls.tree.SelectPath(dir.Path().c_str());
        ASSERT_NE(folderItem, nullptr);
        ASSERT_TRUE(controls.list.IsWatching());
        MarkKeptEntry();
    }

    // A reload replaces every entry: a mark put on one in memory is then gone.
    void MarkKeptEntry() {
        FileEntry* entry = controls.list.EntryAt(controls.list.FindItem(L"keep.txt"));
        ASSERT_NE(entry, nullptr);
        entry->size = kMark;
    }
    bool Reloaded() const {
        const FileEntry* entry = controls.list.EntryAt(controls.list.FindItem(L"keep.txt"));
        return !entry || entry->size != kMark;
    }
    bool Listed(const wchar_t* name) const { return controls.list.FindItem(name) >= 0; }
    bool InTree(const wchar_t* name) const { return controls.tree.FindChild(folderItem, name) != nullptr; }

    static constexpr DWORD kMark = 0xABCDEF;
    testsupport::TempDir dir{testsupport::TempDir::kDevicePath};
    BrowserControls controls;
    HTREEITEM folderItem = nullptr;
};

}  // namespace

TEST_F(FileListLiveTest, CreatedFileAndFolderAppearWithoutReload) {
    ASSERT_TRUE(MakeFile(dir.File(L"新文件.txt"), 2048));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"新文件.txt"); }, kWaitMs));
    EXPECT_FALSE(Reloaded());
    ASSERT_TRUE(MakeFolder(dir.File(L"made")));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"made") && InTree(L"made"); }, kWaitMs));
    EXPECT_FALSE(Reloaded());
    EXPECT_EQ(controls.tree.FullPathOf(controls.tree.FindChild(folderItem, L"made")),
              WideString(dir.File(L"made").c_str()));
    EXPECT_EQ(controls.CellText(controls.list.FindItem(L"新文件.txt"), 1), L"2K") << "the size came with the change";
}

TEST_F(FileListLiveTest, RenameAndDeletionMoveAndRemoveEntries) {
    ASSERT_TRUE(MoveFileW(dir.File(L"keep.txt").c_str(), dir.File(L"kept.txt").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"kept.txt") && !Listed(L"keep.txt"); }, kWaitMs));
    ASSERT_TRUE(MoveFileW(dir.File(L"sub").c_str(), dir.File(L"renamed").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"renamed") && InTree(L"renamed") && !InTree(L"sub"); }, kWaitMs));
    EXPECT_FALSE(Listed(L"sub"));
    ASSERT_TRUE(RemoveDirectoryW(dir.File(L"renamed").c_str()));
    ASSERT_TRUE(DeleteFileW(dir.File(L"kept.txt").c_str()));
    ASSERT_TRUE(PumpUntil([&] { return !Listed(L"renamed") && !InTree(L"renamed") && !Listed(L"kept.txt"); }, kWaitMs));
    EXPECT_EQ(controls.Names(), L"sibling");
}

TEST_F(FileListLiveTest, AFilePutInPlaceOfAListedOneShowsItsOwnSize) {
    ASSERT_TRUE(MakeFile(dir.File(L"new.txt"), 4096));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"new.txt"); }, kWaitMs));
    ASSERT_TRUE(MoveFileExW(dir.File(L"new.txt").c_str(), dir.File(L"keep.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(PumpUntil([&] { return !Listed(L"new.txt"); }, kWaitMs));
    EXPECT_TRUE(PumpUntil([&] { return controls.CellText(controls.list.FindItem(L"keep.txt"), 1) == L"4K"; }, kWaitMs))
        << "shows " << testing::PrintToString(std::wstring(controls.CellText(controls.list.FindItem(L"keep.txt"), 1).c_str()));
}

TEST_F(FileListLiveTest, ChangeOutsideTheFolderChangesNothingAndRejectedFileReloads) {
    ASSERT_TRUE(MakeFile(dir.File(L"sibling\\elsewhere.txt")));
    ASSERT_TRUE(MakeFile(dir.File(L"marker.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"marker.txt"); }, kWaitMs));
    EXPECT_FALSE(Listed(L"elsewhere.txt"));
    EXPECT_FALSE(Reloaded());

    controls.list.SetFilter(L"*.txt");
    MarkKeptEntry();
    ASSERT_TRUE(MakeFile(dir.File(L"rejected.log")));
    ASSERT_TRUE(PumpUntil([&] { return Reloaded(); }, kWaitMs)) << "what the filter rejects ends in a reload";
    EXPECT_FALSE(Listed(L"rejected.log"));
    EXPECT_TRUE(Listed(L"keep.txt"));
}

TEST_F(FileListLiveTest, FileWrittenByAnotherProcessAppears) {
    std::wstring path = dir.File(L"from process.txt");
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = std::wstring(system) + L"\\cmd.exe /c echo hello> \"" + path + L"\"";
    ASSERT_TRUE(RunProcess(command));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"from process.txt"); }, kWaitMs));
    EXPECT_FALSE(Reloaded());
}

TEST_F(FileListLiveTest, SwitchingFolderStopsTheOldWatch) {
    HTREEITEM sibling = controls.tree.SelectPath(dir.File(L"sibling").c_str());
    ASSERT_NE(sibling, nullptr);
    ASSERT_TRUE(MakeFile(dir.File(L"old folder.txt")));
    ASSERT_TRUE(MakeFile(dir.File(L"sibling\\new folder.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"new folder.txt"); }, kWaitMs));
    EXPECT_FALSE(Listed(L"old folder.txt"));
    int outstanding = DeviceChangeNotifyOutstanding();
    DestroyWindow(controls.listWindow);
    EXPECT_LE(DeviceChangeNotifyOutstanding(), outstanding);
    EXPECT_FALSE(controls.list.IsWatching());
}

TEST_F(FileListLiveTest, NotificationsThatCannotBeAppliedEndInAReload) {
    // Posted as the service posts them; blocks it does not know are ignored
    // when the list frees them.
    struct Case {
        LONG event;
        ULONG flags;
        std::wstring item1;
    };
    std::wstring longName(400, L'n');
    const Case cases[] = {
        {kChangeUpdateFolder, kChangeItemsArePaths, dir.Path()},
        {kChangeCreate, 0, dir.File(L"keep.txt")},
        {0x40000, kChangeItemsArePaths, dir.File(L"keep.txt")},
        {kChangeCreate, kChangeItemsArePaths, dir.File(L"sibling\\x.txt")},
        {kChangeCreate, kChangeItemsArePaths, dir.File(longName)},
    };
    for (const Case& test : cases) {
        MarkKeptEntry();
        FileChangeNotify notify{};
        notify.info.size = sizeof(FileChangeInfo);
        notify.info.event = test.event;
        notify.info.flags = test.flags;
        notify.info.item1 = test.item1.c_str();
        PostMessageW(controls.listWindow, WM_FILECHANGEINFO, 0, reinterpret_cast<LPARAM>(&notify));
        EXPECT_TRUE(PumpUntil([&] { return Reloaded(); }, kWaitMs)) << "event " << test.event;
        EXPECT_TRUE(Listed(L"keep.txt"));
    }
    EXPECT_EQ(controls.list.FindItem(longName.c_str()), -1);
}

TEST_F(FileListLiveTest, AChangeTheWatcherCannotDescribeEndsInAReload) {
    // A watcher buffer too small for any change record: each change overflows it.
    SetChangeNotifyBufferBytes(16);
    SendMessageW(controls.listWindow, FLM_SETFOLDER, reinterpret_cast<WPARAM>(folderItem),
                 reinterpret_cast<LPARAM>(dir.Path().c_str()));
    SetChangeNotifyBufferBytes(0);
    ASSERT_TRUE(controls.list.IsWatching());
    MarkKeptEntry();
    ASSERT_TRUE(MakeFile(dir.File(L"made while overflowing.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"made while overflowing.txt"); }, kWaitMs));
    EXPECT_TRUE(Reloaded());
}

TEST_F(FileListLiveTest, ABurstOfChangesReloadsOnceAndLeavesTheListRedrawing) {
    // Five changes that cannot be applied item by item, waiting together.
    std::vector<FileChangeNotify> notifies(5);
    for (FileChangeNotify& notify : notifies) {
        notify.info.size = sizeof(FileChangeInfo);
        notify.info.event = kChangeCreate;
        notify.info.item1 = L"x";
        PostMessageW(controls.listWindow, WM_FILECHANGEINFO, 0, reinterpret_cast<LPARAM>(&notify));
    }
    MSG msg;
    while (PeekMessageW(&msg, controls.listWindow, WM_FILECHANGEINFO, WM_FILECHANGEINFO, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
    int refreshes = 0;
    while (PeekMessageW(&msg, controls.listWindow, FLM_REFRESH, FLM_REFRESH, PM_REMOVE)) ++refreshes;
    EXPECT_EQ(refreshes, 1) << "one reload covers them all";
    SendMessageW(controls.listWindow, FLM_REFRESH, 1, 0);
    MarkKeptEntry();

    // Files made at once, applied item by item as a burst.
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(MakeFile(dir.File(L"burst " + std::to_wstring(i) + L".txt")));
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetItemCount(controls.listWindow) == 43; }, kWaitMs));
    EXPECT_FALSE(Reloaded());
    // Redrawing is on again: a row asked to update is invalidated.
    UpdateWindow(controls.listWindow);
    ListView_Update(controls.listWindow, 0);
    EXPECT_TRUE(GetUpdateRect(controls.listWindow, nullptr, FALSE));
    // Later changes are still applied, and a reload is asked for again when needed.
    ASSERT_TRUE(MakeFile(dir.File(L"after the burst.txt")));
    ASSERT_TRUE(PumpUntil([&] { return Listed(L"after the burst.txt"); }, kWaitMs));
    FileChangeNotify unknown{};
    unknown.info.size = sizeof(FileChangeInfo);
    unknown.info.event = kChangeCreate;
    PostMessageW(controls.listWindow, WM_FILECHANGEINFO, 0, reinterpret_cast<LPARAM>(&unknown));
    EXPECT_TRUE(PumpUntil([&] { return Reloaded(); }, kWaitMs));
}
