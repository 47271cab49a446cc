// FileListView: a list-view control made a live view of one folder. It lists
// the folder's subfolders and the files that match an extension filter with
// name, size, time and type, sorts by a clicked column, renames in place and
// follows the folder's changes through the device's change notifications.
// It tells a linked FolderTreeView about the subfolders it finds.
//
// The owner attaches it to a list-view control, calls Initialize, and
// reflects the list's notifications back to it (kReflectBase + WM_NOTIFY),
// as DialogBase does for every notification it does not handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/WideString.h"
#include "common/Window.h"
#include "device/DeviceShell.h"
#include "filebrowser/FileEntry.h"

namespace brevitex {

// What the shell says about entries, kept by lower-case extension: each
// shell query costs milliseconds, and sizing and sorting the type column ask
// for every item's type. Files whose icon comes from the file itself
// (programs, icons, shortcuts) and folders are asked about one by one.
class ShellInfoCache {
public:
    WideString TypeName(const FileEntry& entry);
    int IconIndex(const FileEntry& entry);

private:
    std::map<std::wstring, std::wstring> typeNames_;
    std::map<std::wstring, int> icons_;
};

// wParam 1, lParam 0: reload the folder fully.
inline constexpr UINT FLM_REFRESH = WM_USER + 1;
// wParam the folder's tree item (may be 0), lParam the folder path
// (const wchar_t*): show that folder; ignored when the path is null. Result 1.
inline constexpr UINT FLM_SETFOLDER = WM_USER + 2;

// Shell events the list watches its folder for.
inline constexpr LONG kFileListEvents = 0x2B01F;

class FileListView : public WindowBase {
public:
    using Self = FileListView;

    FileListView() = default;
    ~FileListView() override;

    // Attaches to an existing list-view control (subclassing it).
    bool Attach(HWND list) { return Subclass(list); }

    // System icon lists, shared-image-list style, the four columns.
    bool Initialize();

    // The tree told about subfolders and linked to the folder shown.
    void LinkTree(HWND tree) { tree_ = tree; }

    // A pattern list such as "*.txt,*.log" or "*.*"; reloads when the
    // normalised filter changed.
    void SetFilter(const wchar_t* patterns);
    const WideString& Filter() const { return filter_; }
    // Whether a file name passes the filter.
    bool MatchesFilter(const wchar_t* name) const;

    // The entry of an item, or null.
    FileEntry* EntryAt(int index) const;
    // The full path of an item; -1 the selected (or, with several, the focused)
    // item; empty when there is no such item.
    WideString FullPathOf(int index) const;
    // The folder shown, exactly as given.
    const WideString& Folder() const { return folder_; }
    WideString FolderWithSlash() const { return WithTrailingSlash(folder_); }
    // Column 0's text of an item.
    WideString ItemText(int index) const;
    // The index of the item named by a name or a full path; -1 when absent.
    int FindItem(const wchar_t* nameOrPath) const;

    // The tree item of the folder shown (may be null).
    HTREEITEM TreeItem() const { return treeItem_; }
    // Whether the folder is being watched for changes.
    bool IsWatching() const { return watch_ != nullptr; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnRefresh(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFolder(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFileChange(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnHeaderClick(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnGetDispInfo(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDeleteItem(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDeleteAllItems(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnBeginLabelEdit(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnEndLabelEdit(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void TellRenameFailure(const wchar_t* newName, DWORD error) const;

    void Reload();
    // Deletes every item and destroys the entries.
    void DeleteAllItems();
    // Fits every column to its caption and its contents.
    void SizeColumns();
    void StopWatching();
    // Makes the entry of a found item, kept in entries_ (filter applies; in a
    // reload subfolders also go to the tree); null when filtered out.
    FileEntry* MakeEntry(const WIN32_FIND_DATAW& found, bool reloading);
    // Inserts an item for an entry of entries_ at `index`; the item's index,
    // or -1 (the entry is then destroyed).
    int InsertItem(FileEntry* entry, int index);
    // Destroys an entry of entries_.
    void DestroyEntry(const FileEntry* entry);
    // The index of an entry's item, or -1.
    int IndexOf(const FileEntry* entry) const;
    void SortByColumn(int column);
    bool TreeItemLinked() const;
    // Applies one change notification and frees it; what cannot be applied
    // item by item ends in a reload.
    void ApplyChange(FileChangeNotify* notify);
    // Posts FLM_REFRESH unless one is waiting already.
    void PostRefresh();
    // The change handling by event; true when handled.
    bool ApplyCreated(const FileChangeInfo& info, const wchar_t* path);
    void ApplyRemoved(const wchar_t* path);
    void RefreshItem(const FileChangeInfo& info, const wchar_t* path);
    // Removes the tree's item for a path, if it has one.
    void RemoveTreeItem(const wchar_t* path);
    // The part of a path inside the folder shown, or null when outside it.
    const wchar_t* InsideFolder(const wchar_t* path) const;

    WideString filter_;
    HWND tree_ = nullptr;
    HTREEITEM treeItem_ = nullptr;
    HWND header_ = nullptr;
    WideString folder_;
    ChangeWatch watch_ = nullptr;
    HIMAGELIST largeIcons_ = nullptr;
    HIMAGELIST smallIcons_ = nullptr;
    bool deletingAll_ = false;
    bool refreshPosted_ = false;
    // Every entry behind an item; the items' lParams point into it.
    std::vector<std::unique_ptr<FileEntry>> entries_;
    ShellInfoCache shellInfo_;
};

}  // namespace brevitex
