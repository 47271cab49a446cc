// The folder tree on real folders: the top item, path lookups in any letter
// case, lazy filling and its expand marks, the order of children, the link
// that makes the list follow the selection, and what the list hands over.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "FileBrowserTestSupport.h"
#include "support/UnixSide.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace filebrowsertest;

namespace {

std::wstring ItemText(HWND tree, HTREEITEM item) {
    wchar_t text[260] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 260;
    TreeView_GetItem(tree, &data);
    return text;
}

std::wstring ChildNames(HWND tree, HTREEITEM parent) {
    std::wstring names;
    for (HTREEITEM child = TreeView_GetChild(tree, parent); child; child = TreeView_GetNextSibling(tree, child)) {
        if (!names.empty()) names += L"|";
        names += ItemText(tree, child);
    }
    return names;
}

int ChildCount(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_CHILDREN;
    data.hItem = item;
    TreeView_GetItem(tree, &data);
    return data.cChildren;
}

std::wstring Upper(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

class FolderTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty()) << "the scratch folder has a device path";
        ASSERT_TRUE(MakeFolder(dir.File(L"beta")));
        ASSERT_TRUE(MakeFolder(dir.File(L"Alpha")));
        ASSERT_TRUE(MakeFolder(dir.File(L"中文")));
        ASSERT_TRUE(MakeFolder(dir.File(L"Alpha\\inner")));
        ASSERT_TRUE(MakeFile(dir.File(L"file.txt")));
        controls.LinkAndFillTree();
    }

    testsupport::TempDir dir{testsupport::TempDir::kDevicePath};
    BrowserControls controls;
};

}  // namespace

TEST_F(FolderTreeViewTest, TopItemAndRootSelection) {
    HWND tree = controls.treeWindow;
    HTREEITEM top = TreeView_GetRoot(tree);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(ItemText(tree, top), L"我的设备");
    EXPECT_EQ(TreeView_GetNextSibling(tree, top), nullptr);
    EXPECT_EQ(TreeView_GetSelection(tree), nullptr) << "nothing selected after a rebuild";
    EXPECT_NE(TreeView_GetChild(tree, top), nullptr) << "expanded one level";
    EXPECT_EQ(controls.tree.SelectPath(L"\\"), top);
    EXPECT_EQ(TreeView_GetSelection(tree), top);
    EXPECT_EQ(controls.list.Folder(), L"\\") << "the list shows the device root";
    EXPECT_EQ(controls.tree.CurrentFolderWithSlash(), L"\\");
    EXPECT_FALSE(controls.tree.SelectParent()) << "nothing above the top item";
}

TEST_F(FolderTreeViewTest, PathLookupInAnyCaseSelectsAndListsTheFolder) {
    HWND tree = controls.treeWindow;
    EXPECT_EQ(controls.tree.SelectPath(L""), nullptr);
    EXPECT_EQ(controls.tree.SelectPath((dir.Path() + L"\\missing").c_str()), nullptr);
    std::wstring huge(3000, L'x');
    EXPECT_EQ(controls.tree.SelectPath((dir.Path() + L"\\" + huge + L"\\" + huge).c_str()), nullptr)
        << "an over-long path is looked up without a fixed buffer";

    HTREEITEM alpha = controls.tree.SelectPath((dir.Path() + L"\\Alpha").c_str());
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(controls.tree.SelectPath(Upper(dir.Path() + L"\\alpha\\").c_str()), alpha);
    wchar_t root[4] = {};
    ASSERT_EQ(GetFullPathNameW(L"\\", 4, root, nullptr), 3u);
    EXPECT_EQ(controls.tree.SelectPath((std::wstring(root, 2) + dir.Path() + L"\\Alpha").c_str()), alpha)
        << "a drive path on the current drive";
    EXPECT_EQ(TreeView_GetSelection(tree), alpha);
    EXPECT_EQ(controls.tree.CurrentFolderWithSlash(), WideString((dir.Path() + L"\\Alpha\\").c_str()));
    EXPECT_EQ(controls.list.Folder(), WideString((dir.Path() + L"\\Alpha").c_str()));
    EXPECT_EQ(controls.list.TreeItem(), alpha);
    EXPECT_EQ(SendMessageW(tree, FTM_FINDITEM, reinterpret_cast<WPARAM>(alpha), reinterpret_cast<LPARAM>(L"INNER")),
              reinterpret_cast<LRESULT>(TreeView_GetChild(tree, alpha)));
    EXPECT_EQ(SendMessageW(tree, FTM_FINDITEM, 0, reinterpret_cast<LPARAM>((dir.Path() + L"\\ALPHA").c_str())),
              reinterpret_cast<LRESULT>(alpha));

    // Selecting the selected folder again reloads the list.
    ASSERT_TRUE(MakeFile(dir.File(L"Alpha\\new.txt")));
    EXPECT_LT(controls.list.FindItem(L"new.txt"), 0);
    EXPECT_EQ(controls.tree.SelectPath((dir.Path() + L"\\Alpha").c_str()), alpha);
    EXPECT_GE(controls.list.FindItem(L"new.txt"), 0);

    EXPECT_TRUE(controls.tree.SelectParent());
    EXPECT_EQ(controls.list.Folder(), WideString(dir.Path().c_str()));
    EXPECT_TRUE(controls.tree.SelectRoot());
    EXPECT_EQ(controls.list.Folder(), L"\\");
}

TEST_F(FolderTreeViewTest, NamesDifferingOnlyInCaseFindTheExactOneFirst) {
    const std::string folder = testsupport::UnixPath(dir.Path());
    if (folder.empty()) GTEST_SKIP() << "needs a Unix side for names differing in case";
    ASSERT_TRUE(testsupport::RunUnix("mkdir " + testsupport::ShellQuote(folder + "/Dir") + " " +
                                     testsupport::ShellQuote(folder + "/dir")));
    HTREEITEM lower = controls.tree.SelectPath((dir.Path() + L"\\dir").c_str());
    HTREEITEM upper = controls.tree.SelectPath((dir.Path() + L"\\Dir").c_str());
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(ItemText(controls.treeWindow, lower), L"dir");
    EXPECT_EQ(ItemText(controls.treeWindow, upper), L"Dir");
}

TEST_F(FolderTreeViewTest, ChildrenOrderedAndFolderWithoutSubfoldersLosesItsMark) {
    HWND tree = controls.treeWindow;
    HTREEITEM folder = controls.tree.FindPath(dir.Path().c_str());
    ASSERT_NE(folder, nullptr);
    TreeView_Expand(tree, folder, TVE_EXPAND);
    EXPECT_EQ(ChildNames(tree, folder), L"Alpha|beta|中文") << "folders only, by name ignoring case";
    HTREEITEM beta = controls.tree.FindChild(folder, L"BETA");
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(ChildCount(tree, beta), 1) << "expandable before it is known";
    TreeView_Expand(tree, beta, TVE_EXPAND);
    EXPECT_EQ(ChildCount(tree, beta), 0) << "no subfolders: the expand mark goes";
    EXPECT_EQ(TreeView_GetChild(tree, beta), nullptr);

    // A file entry handed over sorts after the folders; bad arguments insert nothing.
    FileEntry file;
    file.folder = dir.Path().c_str();
    file.name = L"aaa.txt";
    EXPECT_NE(SendMessageW(tree, FTM_INSERTCHILD, reinterpret_cast<WPARAM>(folder), reinterpret_cast<LPARAM>(&file)), 0);
    SendMessageW(tree, FTM_SORTCHILDREN, reinterpret_cast<WPARAM>(folder), 0);
    EXPECT_EQ(ChildNames(tree, folder), L"Alpha|beta|中文|aaa.txt");
    EXPECT_EQ(SendMessageW(tree, FTM_INSERTCHILD, 0, reinterpret_cast<LPARAM>(&file)), 0);
    EXPECT_EQ(SendMessageW(tree, FTM_INSERTCHILD, reinterpret_cast<WPARAM>(folder), 0), 0);
}

TEST_F(FolderTreeViewTest, FolderListedByTheListIsNotEnumeratedAgain) {
    HWND tree = controls.treeWindow;
    HTREEITEM folder = controls.tree.SelectPath(dir.Path().c_str());
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(TreeItemExpandedOnce(tree, folder)) << "the list filled it";
    EXPECT_EQ(ChildNames(tree, folder), L"Alpha|beta|中文");
    int enumerations = controls.tree.EnumerationCount();
    TreeView_Expand(tree, folder, TVE_EXPAND);
    EXPECT_EQ(controls.tree.EnumerationCount(), enumerations);
    EXPECT_EQ(ChildNames(tree, folder), L"Alpha|beta|中文") << "no duplicates";

    // Entering a folder from the list selects its tree item and lists it.
    int row = controls.list.FindItem(L"alpha");
    ASSERT_GE(row, 0);
    HTREEITEM alpha = controls.tree.EnterChildFolder(*controls.list.EntryAt(row));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(TreeView_GetSelection(tree), alpha);
    EXPECT_EQ(controls.Names(), L"inner");
}
