// FolderTreeView: a tree-view control made the device's folder hierarchy,
// filled lazily: a folder's subfolders are enumerated when it is first
// expanded, passed through by a path lookup, or listed by the linked
// FileListView. Selecting an item makes the list show that folder.
//
// The owner attaches it to a tree-view control, calls Initialize, and
// reflects the tree's notifications back to it (kReflectBase + WM_NOTIFY).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "common/WideString.h"
#include "common/Window.h"
#include "filebrowser/FileEntry.h"

namespace brevitex {

// wParam a parent item, lParam a name: that child (ignoring case), or null.
// wParam 0, lParam a full path: the item for the path, filling folders on
// the way, or null.
inline constexpr UINT FTM_FINDITEM = WM_USER + 2;
// wParam a parent item, lParam a const FileEntry*: inserts a copy as the
// parent's last child; the new item, or null.
inline constexpr UINT FTM_INSERTCHILD = WM_USER + 3;
// wParam an item: sorts its children, folders first, then by name.
inline constexpr UINT FTM_SORTCHILDREN = WM_USER + 5;

class FolderTreeView : public WindowBase {
public:
    using Self = FolderTreeView;

    FolderTreeView() = default;
    ~FolderTreeView() override;

    // Attaches to an existing tree-view control (subclassing it).
    bool Attach(HWND tree) { return Subclass(tree); }

    // The folder shown as the top item ("\" when empty); takes effect at the
    // next Rebuild.
    void SetRootPath(const wchar_t* path) { rootPath_ = path; }
    // The small system icon list, then Rebuild.
    bool Initialize();
    // Deletes every item and inserts the top item "我的设备", expanded one level.
    void Rebuild();

    // The list told about selection changes.
    void LinkList(HWND list) { list_ = list; }

    // Finds the item for a path, clears the selection and selects it (so
    // selecting the selected folder reloads the list). The item, or null.
    HTREEITEM SelectPath(const wchar_t* path);
    // The selected item's full path with a trailing '\'; empty without one.
    WideString CurrentFolderWithSlash() const;
    // Expands the selected item, finds or inserts the child for a folder
    // entry and selects it. The child, or null.
    HTREEITEM EnterChildFolder(const FileEntry& folder);
    // Selects the top item.
    bool SelectRoot();
    // Selects the selected item's parent; false at the top item.
    bool SelectParent();

    FileEntry* EntryOf(HTREEITEM item) const;
    WideString FullPathOf(HTREEITEM item) const;
    // Inserts the folder `name` of a filled parent when it exists on disk.
    HTREEITEM AddFolderFromDisk(HTREEITEM parent, const WideString& name);
    HTREEITEM FindChild(HTREEITEM parent, const wchar_t* name) const;
    HTREEITEM FindPath(const wchar_t* path);
    // Inserts a copy of entry under parent after the given sibling.
    HTREEITEM InsertChild(HTREEITEM parent, const FileEntry& entry, HTREEITEM after = TVI_LAST);
    void SortChildren(HTREEITEM item);

    // How many folders the tree has enumerated since it was attached (tests).
    int EnumerationCount() const { return enumerations_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnFindItem(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnInsertChild(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSortChildren(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnGetDispInfo(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnItemExpanding(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDeleteItem(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSelChanging(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnExpand(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Inserts the subfolders of an item's folder; the count inserted.
    int FillChildren(HTREEITEM item);
    // Fills an item's children unless that was done (expanded-once state).
    void FillOnce(HTREEITEM item);
    // Detaches and destroys the entries of first, its siblings and all below.
    void ReleaseEntries(HTREEITEM first);

    WideString rootPath_;
    HWND list_ = nullptr;
    int enumerations_ = 0;
};

// Whether a tree item's children have been filled (its expanded-once state).
bool TreeItemExpandedOnce(HWND tree, HTREEITEM item);
// Marks a tree item's children as filled.
void MarkTreeItemExpandedOnce(HWND tree, HTREEITEM item);

}  // namespace brevitex
