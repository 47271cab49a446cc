// The file list on real folders: the extension filter, what each column
// shows, sorting by column, item lookups and in-place rename.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "FileBrowserTestSupport.h"
#include "device/DeviceShell.h"
#include "support/UnixSide.h"

using namespace brevitex;
using namespace filebrowsertest;

namespace {

// Runs the list's in-place rename on a row with the given outcome text
// (null: cancelled), as the control's edit box would end it.
LRESULT EndRename(BrowserControls& controls, int row, const wchar_t* text) {
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = controls.listWindow;
    info.hdr.idFrom = 1002;
    info.hdr.code = LVN_ENDLABELEDITW;
    info.item.iItem = row;
    info.item.pszText = const_cast<wchar_t*>(text);
    return SendMessageW(controls.host.Handle(), WM_NOTIFY, 1002, reinterpret_cast<LPARAM>(&info));
}

LRESULT BeginRename(BrowserControls& controls, int row) {
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = controls.listWindow;
    info.hdr.idFrom = 1002;
    info.hdr.code = LVN_BEGINLABELEDITW;
    info.item.iItem = row;
    return SendMessageW(controls.host.Handle(), WM_NOTIFY, 1002, reinterpret_cast<LPARAM>(&info));
}

void ClickHeader(BrowserControls& controls, int column) {
    NMHEADERW click{};
    click.hdr.hwndFrom = ListView_GetHeader(controls.listWindow);
    click.hdr.code = HDN_ITEMCLICKW;
    click.iItem = column;
    SendMessageW(controls.listWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
}

}  // namespace

TEST(FileListViewTest, FilterKeepsFoldersAndMatchingExtensions) {
    testsupport::TempDir dir;
    for (const wchar_t* name : {L"a.TXT", L"a.txt.bak", L"noext", L"x.HTM", L"x.tml", L"a.tar.gz", L"b.log"}) {
        ASSERT_TRUE(MakeFile(dir.File(name)));
    }
    ASSERT_TRUE(MakeFolder(dir.File(L"sub.d")));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    EXPECT_EQ(controls.Names(), L"sub.d|a.tar.gz|a.TXT|a.txt.bak|b.log|noext|x.HTM|x.tml") << "no filter: everything";

    controls.list.SetFilter(L"*.txt");
    EXPECT_EQ(controls.list.Filter(), L"*.txt,");
    EXPECT_EQ(controls.Names(), L"sub.d|a.TXT");
    controls.list.SetFilter(L"*.htm,*.gz");
    EXPECT_EQ(controls.Names(), L"sub.d|a.tar.gz|x.HTM");
    controls.list.SetFilter(L"*.*");
    EXPECT_TRUE(controls.list.Filter().IsEmpty());
    EXPECT_EQ(ListView_GetItemCount(controls.listWindow), 8);
}

TEST(FileListViewTest, SizeTimeAndTypeColumns) {
    testsupport::TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File(L"0.txt"), 0, 2024, 3, 5, 7, 9));
    ASSERT_TRUE(MakeFile(dir.File(L"1.txt"), 1024));
    ASSERT_TRUE(MakeFile(dir.File(L"2.txt"), 1025));
    ASSERT_TRUE(MakeFile(dir.File(L"3.txt"), 1048576));
    ASSERT_TRUE(MakeFolder(dir.File(L"文件夹")));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    ASSERT_EQ(controls.Names(), L"文件夹|0.txt|1.txt|2.txt|3.txt");
    EXPECT_EQ(controls.CellText(0, 1), L"") << "a folder shows no size";
    EXPECT_EQ(controls.CellText(1, 1), L"0B");
    EXPECT_EQ(controls.CellText(2, 1), L"1024B");
    EXPECT_EQ(controls.CellText(3, 1), L"1K");
    EXPECT_EQ(controls.CellText(4, 1), L"1024K");
    EXPECT_EQ(controls.CellText(1, 2), L"2024-03-05 07:09");
    EXPECT_FALSE(controls.CellText(1, 3).empty()) << "the shell's type name";
    EXPECT_NE(controls.CellText(0, 3), controls.CellText(1, 3));
    // Every column was sized to its contents.
    EXPECT_GE(ListView_GetColumnWidth(controls.listWindow, 2),
              ListView_GetStringWidth(controls.listWindow, L"2024-03-05 07:09"));
}

// Icons are asked for once per extension, except for folders and kinds whose
// icon the shell takes from the file itself: every row must still show the
// icon the shell gives for its own path (where the shell knows programs'
// icons, the two .exe rows differ).
TEST(FileListViewTest, EachRowShowsTheShellIconOfItsFile) {
    testsupport::TempDir dir;
    wchar_t program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    ASSERT_TRUE(CopyFileW(program, dir.File(L"a.exe").c_str(), FALSE)) << "a program with its own icon";
    ASSERT_TRUE(MakeFile(dir.File(L"b.exe"), 10)) << "no program at all";
    for (const wchar_t* name : {L"a.txt", L"b.TXT", L"c.log", L"noext"}) ASSERT_TRUE(MakeFile(dir.File(name)));
    ASSERT_TRUE(MakeFolder(dir.File(L"folder")));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    int rows = ListView_GetItemCount(controls.listWindow);
    ASSERT_EQ(rows, 7);
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(ListView_GetItem(controls.listWindow, &item));
        WideString path = controls.list.FullPathOf(row);
        EXPECT_EQ(item.iImage, DeviceFileIconIndex(path)) << path.c_str();
    }
}

TEST(FileListViewTest, SortsByEachColumnAndFoldersFirstOnlyByName) {
    testsupport::TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File(L"b.txt"), 3000, 2020, 1, 1));
    ASSERT_TRUE(MakeFile(dir.File(L"A.log"), 10, 2022, 1, 1));
    ASSERT_TRUE(MakeFile(dir.File(L"c.ini"), 500, 2021, 1, 1));
    ASSERT_TRUE(MakeFolder(dir.File(L"z")));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    EXPECT_EQ(controls.Names(), L"z|A.log|b.txt|c.ini");
    ClickHeader(controls, 1);
    EXPECT_EQ(controls.Names(), L"z|A.log|c.ini|b.txt") << "by size; the folder's size is 0";
    ClickHeader(controls, 1);
    EXPECT_EQ(controls.Names(), L"z|A.log|c.ini|b.txt") << "a second click keeps the order";
    ClickHeader(controls, 2);
    EXPECT_EQ(controls.Names(), L"b.txt|c.ini|A.log|z") << "oldest first; the folder was made just now";
    ClickHeader(controls, 3);
    std::wstring byType = controls.Names();
    EXPECT_EQ(byType.size(), std::wstring(L"z|A.log|b.txt|c.ini").size());
    ClickHeader(controls, 0);
    EXPECT_EQ(controls.Names(), L"z|A.log|b.txt|c.ini");
}

// A reload sorts its entries before inserting them, by keys; clicking the name
// column sorts the items by comparing names. Both must give one order, also
// for names where a sort by characters and the locale's order differ.
TEST(FileListViewTest, AReloadListsInTheOrderTheNameColumnSortsIn) {
    testsupport::TempDir dir;
    const wchar_t* files[] = {L"b-c.txt", L"bc.txt", L"B_a.txt", L"ba.TXT", L"10.txt", L"9.txt",
                              L"文件二.txt", L"文件一.txt", L"Zeta", L"alpha", L"Émile.txt", L"e.txt"};
    int year = 2020;
    for (const wchar_t* name : files) ASSERT_TRUE(MakeFile(dir.File(name), 1, year--));
    for (const wchar_t* name : {L"中文夹", L"Folder-2", L"folder1"}) ASSERT_TRUE(MakeFolder(dir.File(name)));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    std::wstring reloaded = controls.Names();
    for (int row = 0; row < 3; ++row) EXPECT_TRUE(controls.list.EntryAt(row)->IsFolder()) << reloaded;
    ClickHeader(controls, 2);
    ASSERT_NE(controls.Names(), reloaded) << "by time the order differs";
    ClickHeader(controls, 0);
    EXPECT_EQ(controls.Names(), reloaded);
}

TEST(FileListViewTest, LookupsByNameAndPath) {
    testsupport::TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File(L"Notes.txt")));
    ASSERT_TRUE(MakeFile(dir.File(L"c")));
    BrowserControls controls(false);
    std::wstring folder = dir.Path();
    controls.ShowFolder(folder);
    EXPECT_EQ(controls.list.FolderWithSlash(), WideString((folder + L"\\").c_str()));
    int notes = controls.list.FindItem(L"notes.TXT");
    ASSERT_GE(notes, 0);
    EXPECT_EQ(controls.list.FindItem((folder + L"\\NOTES.txt").c_str()), notes);
    EXPECT_EQ(controls.list.FindItem(L""), -1);
    EXPECT_EQ(controls.list.FindItem(nullptr), -1);
    EXPECT_EQ(controls.list.FindItem((folder + L"x\\Notes.txt").c_str()), -1) << "another folder";
    EXPECT_EQ(controls.list.FindItem((folder + L"c").c_str()), -1) << "a sibling whose name extends the folder's";
    EXPECT_EQ(controls.list.FullPathOf(notes), WideString((folder + L"\\Notes.txt").c_str()));
    EXPECT_TRUE(controls.list.FullPathOf(-1).IsEmpty()) << "nothing selected";
    ListView_SetItemState(controls.listWindow, notes, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(controls.list.FullPathOf(-1), controls.list.FullPathOf(notes));
    EXPECT_EQ(controls.list.EntryAt(99), nullptr);
    // A name longer than the first buffer is read whole.
    std::wstring longName(200, L'n');
    longName += L"名字.txt";
    ASSERT_TRUE(MakeFile(dir.File(longName)));
    SendMessageW(controls.listWindow, FLM_REFRESH, 1, 0);
    int row = controls.list.FindItem(longName.c_str());
    ASSERT_GE(row, 0);
    EXPECT_EQ(std::wstring(controls.list.ItemText(row).c_str()), longName);
}

// Some file systems hold names that differ only in case side by side: a
// lookup (and so a change notification) must reach the one named exactly.
TEST(FileListViewTest, NamesThatDifferOnlyInCaseAreToldApart) {
    testsupport::TempDir dir(testsupport::TempDir::kDevicePath);
    std::string unixFolder = testsupport::UnixPath(dir.Path());
    if (unixFolder.empty()) GTEST_SKIP() << "needs a case-sensitive file system on a Unix side";
    std::string folder = testsupport::ShellQuote(unixFolder);
    ASSERT_TRUE(testsupport::RunUnix("printf 1 > " + folder + "/Case.txt && printf 22 > " + folder + "/case.txt"));
    BrowserControls controls;
    controls.LinkAndFillTree();
    ASSERT_NE(controls.tree.SelectPath(dir.Path().c_str()), nullptr);
    ASSERT_EQ(ListView_GetItemCount(controls.listWindow), 2);
    for (const wchar_t* name : {L"Case.txt", L"case.txt"}) {
        const FileEntry* entry = controls.list.EntryAt(controls.list.FindItem(name));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->name, name);
    }
    EXPECT_EQ(controls.list.EntryAt(controls.list.FindItem(L"CASE.TXT"))->name.Length(), 8) << "either, ignoring case";

    ASSERT_TRUE(testsupport::RunUnix("rm " + folder + "/case.txt"));
    ASSERT_TRUE(testsupport::PumpUntil([&] { return ListView_GetItemCount(controls.listWindow) == 1; }, 10000));
    EXPECT_EQ(controls.Names(), L"Case.txt");
}

TEST(FileListViewTest, RenameInPlaceAndItsRefusals) {
    testsupport::TempDir dir;
    ASSERT_TRUE(MakeFile(dir.File(L"old.txt")));
    ASSERT_TRUE(MakeFile(dir.File(L"taken.txt")));
    ASSERT_TRUE(MakeFile(dir.File(L"sys.txt")));
    ASSERT_TRUE(SetFileAttributesW(dir.File(L"sys.txt").c_str(), FILE_ATTRIBUTE_SYSTEM));
    BrowserControls controls(false);
    controls.ShowFolder(dir.Path());
    int row = controls.list.FindItem(L"old.txt");
    ASSERT_GE(row, 0);

    EXPECT_EQ(BeginRename(controls, row), FALSE) << "an ordinary file may be renamed";
    EXPECT_EQ(BeginRename(controls, controls.list.FindItem(L"sys.txt")), TRUE) << "a system file may not";
    EXPECT_EQ(BeginRename(controls, 42), TRUE) << "no entry";
    FileEntry* rom = controls.list.EntryAt(controls.list.FindItem(L"taken.txt"));
    DWORD kept = rom->attributes;
    rom->attributes |= kAttributeInRom;
    EXPECT_EQ(BeginRename(controls, controls.list.FindItem(L"taken.txt")), TRUE) << "in ROM";
    rom->attributes = kept;

    EXPECT_EQ(EndRename(controls, row, nullptr), FALSE) << "cancelled";
    EXPECT_EQ(EndRename(controls, row, L""), FALSE) << "empty";
    EXPECT_EQ(EndRename(controls, row, L"taken.txt"), FALSE) << "onto an existing name";
    EXPECT_EQ(EndRename(controls, row, L"sub\\x.txt"), FALSE) << "a path, not a name";
    testsupport::BoxAnswerer boxes(IDOK);
    std::wstring tooLong(400, L'x');
    EXPECT_EQ(EndRename(controls, row, tooLong.c_str()), FALSE) << "longer than any path";
    EXPECT_EQ(EndRename(controls, row, L"nb.txt."), FALSE) << "a name the disk would store without its dot";
    EXPECT_EQ(boxes.Boxes().size(), 2u) << "a name the disk would change is refused with a word";
    EXPECT_EQ(controls.list.EntryAt(row)->name, L"old.txt");
    EXPECT_NE(GetFileAttributesW(dir.File(L"old.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(EndRename(controls, row, L"新名字.txt"), TRUE);
    EXPECT_EQ(controls.list.EntryAt(row)->name, L"新名字.txt");
    EXPECT_NE(GetFileAttributesW(dir.File(L"新名字.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(dir.File(L"old.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FileListViewTest, UnreadableFolderListsNothingAndEntriesGoWithTheControl) {
    BrowserControls controls(false);
    controls.ShowFolder(L"\\no such folder\\at all");
    EXPECT_EQ(ListView_GetItemCount(controls.listWindow), 0);
    EXPECT_FALSE(controls.list.IsWatching());
}
