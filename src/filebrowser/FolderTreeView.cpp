// FolderTreeView: the lazily filled folder tree, its path lookup, the order of
// children and the link that makes the file list follow the selection.
#include "filebrowser/FolderTreeView.h"

#include <cwchar>
#include <cwctype>
#include <new>

#include "common/Handles.h"
#include "device/DeviceShell.h"
#include "filebrowser/FileListView.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

int CALLBACK CompareChildren(LPARAM first, LPARAM second, LPARAM) {
    const auto* a = reinterpret_cast<const FileEntry*>(first);
    const auto* b = reinterpret_cast<const FileEntry*>(second);
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    if (a->IsFolder() != b->IsFolder()) return a->IsFolder() ? -1 : 1;
    return CompareNoCase(a->name, b->name);
}

void SetChildCount(HWND tree, HTREEITEM item, int count) {
    TVITEMW data{};
    data.mask = TVIF_CHILDREN;
    data.hItem = item;
    data.cChildren = count;
    TreeView_SetItem(tree, &data);
}

}  // namespace

bool TreeItemExpandedOnce(HWND tree, HTREEITEM item) {
    return (TreeView_GetItemState(tree, item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE) != 0;
}

void MarkTreeItemExpandedOnce(HWND tree, HTREEITEM item) {
    TreeView_SetItemState(tree, item, TVIS_EXPANDEDONCE, TVIS_EXPANDEDONCE);
}

FolderTreeView::~FolderTreeView() = default;

bool FolderTreeView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    static const MessageMapEntry<Self> kMap[] = {
        BX_MESSAGE(FTM_FINDITEM, OnFindItem),
        BX_MESSAGE(FTM_INSERTCHILD, OnInsertChild),
        BX_MESSAGE(FTM_SORTCHILDREN, OnSortChildren),
        BX_MESSAGE(TVM_EXPAND, OnExpand),
        BX_MESSAGE(WM_DESTROY, OnDestroy),
        BX_REFLECTED_NOTIFY(TVN_GETDISPINFOW, OnGetDispInfo),
        BX_REFLECTED_NOTIFY(TVN_ITEMEXPANDINGW, OnItemExpanding),
        BX_REFLECTED_NOTIFY(TVN_DELETEITEMW, OnDeleteItem),
        BX_REFLECTED_NOTIFY(TVN_SELCHANGINGW, OnSelChanging),
    };
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool FolderTreeView::Initialize() {
    if (!hwnd_) return false;
    TreeView_SetImageList(hwnd_, DeviceSystemImageList(false), TVSIL_NORMAL);
    Rebuild();
    return true;
}

void FolderTreeView::Rebuild() {
    if (!hwnd_) return;
    if (rootPath_.IsEmpty()) rootPath_ = L"\\";
    WaitCursor wait;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(hwnd_);
    FileEntry top;
    top.name = rootPath_;
    DWORD attributes = GetFileAttributesW(rootPath_);
    top.attributes = attributes == INVALID_FILE_ATTRIBUTES ? kAttributeFolder : attributes;
    HTREEITEM item = InsertChild(TVI_ROOT, top);
    if (item) {
        WideString caption;
        caption.Load(IDS_MY_DEVICE);
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = const_cast<wchar_t*>(caption.c_str());
        TreeView_SetItem(hwnd_, &data);
        TreeView_Expand(hwnd_, item, TVE_EXPAND);
        SortChildren(item);
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    TreeView_SelectItem(hwnd_, nullptr);
}

FileEntry* FolderTreeView::EntryOf(HTREEITEM item) const {
    if (!hwnd_ || !item || item == TVI_ROOT) return nullptr;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(hwnd_, &data)) return nullptr;
    return reinterpret_cast<FileEntry*>(data.lParam);
}

WideString FolderTreeView::FullPathOf(HTREEITEM item) const {
    const FileEntry* entry = EntryOf(item);
    return entry ? entry->FullPath() : WideString();
}

HTREEITEM FolderTreeView::InsertChild(HTREEITEM parent, const FileEntry& entry, HTREEITEM after) {
    if (!hwnd_ || !parent) return nullptr;
    auto* copy = new (std::nothrow) FileEntry(entry);
    if (!copy) return nullptr;
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(copy->name.c_str());
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = copy->IsFolder() ? 1 : 0;
    insert.item.lParam = reinterpret_cast<LPARAM>(copy);
    HTREEITEM item = TreeView_InsertItem(hwnd_, &insert);
    if (!item) delete copy;
    return item;
}

HTREEITEM FolderTreeView::FindChild(HTREEITEM parent, const wchar_t* name) const {
    if (!hwnd_ || !parent || !name) return nullptr;
    // Names that differ only in case may both exist ("Dir" and "dir"): the exact
    // one wins, else the first that matches ignoring case.
    HTREEITEM found = nullptr;
    for (HTREEITEM child = TreeView_GetChild(hwnd_, parent); child; child = TreeView_GetNextSibling(hwnd_, child)) {
        const FileEntry* entry = EntryOf(child);
        if (!entry || !EqualNoCase(entry->name, name)) continue;
        if (wcscmp(entry->name, name) == 0) return child;
        if (!found) found = child;
    }
    return found;
}

void FolderTreeView::SortChildren(HTREEITEM item) {
    if (!hwnd_ || !item) return;
    TVSORTCB sort{};
    sort.hParent = item;
    sort.lpfnCompare = CompareChildren;
    TreeView_SortChildrenCB(hwnd_, &sort, FALSE);
}

int FolderTreeView::FillChildren(HTREEITEM item) {
    WaitCursor wait;
    ++enumerations_;
    int count = 0;
    WideString folder = FullPathOf(item);
    WideString pattern = WithTrailingSlash(folder);
    WIN32_FIND_DATAW found;
    HANDLE search = (!folder.IsEmpty() && pattern.Append(L"*.*")) ? FindFirstFileW(pattern, &found)
                                                                   : INVALID_HANDLE_VALUE;
    if (search != INVALID_HANDLE_VALUE) {
        HTREEITEM after = TVI_FIRST;
        do {
            if (!(found.dwFileAttributes & kAttributeFolder)) continue;
            if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
            HTREEITEM child = InsertChild(item, FileEntry(folder, found), after);
            if (!child) continue;
            after = child;
            ++count;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (count == 0) {
        SetChildCount(hwnd_, item, 0);
    } else {
        MarkTreeItemExpandedOnce(hwnd_, item);
        SortChildren(item);
    }
    return count;
}

void FolderTreeView::FillOnce(HTREEITEM item) {
    if (item && item != TVI_ROOT && !TreeItemExpandedOnce(hwnd_, item)) FillChildren(item);
}

HTREEITEM FolderTreeView::AddFolderFromDisk(HTREEITEM parent, const WideString& name) {
    if (name.IsEmpty() || wcspbrk(name, L"*?") || !TreeItemExpandedOnce(hwnd_, parent)) return nullptr;
    WideString folder = FullPathOf(parent);
    WideString path = WithTrailingSlash(folder);
    if (folder.IsEmpty() || !path.Append(name)) return nullptr;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path, &found);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    FindClose(search);
    if (!(found.dwFileAttributes & kAttributeFolder)) return nullptr;
    HTREEITEM child = InsertChild(parent, FileEntry(folder, found));
    if (!child) return nullptr;
    SetChildCount(hwnd_, parent, 1);
    SortChildren(parent);
    return child;
}

HTREEITEM FolderTreeView::FindPath(const wchar_t* path) {
    if (!hwnd_ || !path || !*path) return nullptr;
    HTREEITEM current = TreeView_GetRoot(hwnd_);
    // A drive path on the current drive ("Z:\\a") is the device path "\\a".
    wchar_t root[4] = {};
    if (path[0] && path[1] == L':' && path[2] == L'\\' && GetFullPathNameW(L"\\", 4, root, nullptr) == 3 &&
        towupper(root[0]) == towupper(path[0])) {
        path += 2;
    }
    const wchar_t* rest = path[0] == L'\\' ? path + 1 : path;
    while (*rest && current) {
        if (!TreeView_GetChild(hwnd_, current)) FillOnce(current);
        const wchar_t* end = wcschr(rest, L'\\');
        int length = end ? static_cast<int>(end - rest) : static_cast<int>(wcslen(rest));
        WideString component(rest, length);
        HTREEITEM parent = current;
        current = FindChild(parent, component);
        // A folder made after its parent was filled is on disk, not yet here.
        if (!current) current = AddFolderFromDisk(parent, component);
        rest = end ? end + 1 : rest + length;
    }
    return current;
}

HTREEITEM FolderTreeView::SelectPath(const wchar_t* path) {
    HTREEITEM item = FindPath(path);
    if (!hwnd_) return nullptr;
    TreeView_SelectItem(hwnd_, nullptr);
    if (item) {
        TreeView_SelectItem(hwnd_, item);
        TreeView_EnsureVisible(hwnd_, item);
    }
    return item;
}

WideString FolderTreeView::CurrentFolderWithSlash() const {
    if (!hwnd_) return WideString();
    HTREEITEM selected = TreeView_GetSelection(hwnd_);
    if (!selected) return WideString();
    return WithTrailingSlash(FullPathOf(selected));
}

HTREEITEM FolderTreeView::EnterChildFolder(const FileEntry& folder) {
    if (!hwnd_) return nullptr;
    HTREEITEM selected = TreeView_GetSelection(hwnd_);
    if (!selected) return nullptr;
    TreeView_Expand(hwnd_, selected, TVE_EXPAND);
    HTREEITEM child = FindChild(selected, folder.name);
    if (!child) {
        child = InsertChild(selected, folder);
        if (child) SortChildren(selected);
    }
    if (child) TreeView_SelectItem(hwnd_, child);
    return child;
}

bool FolderTreeView::SelectRoot() {
    HTREEITEM top = hwnd_ ? TreeView_GetRoot(hwnd_) : nullptr;
    return top && TreeView_SelectItem(hwnd_, top);
}

bool FolderTreeView::SelectParent() {
    if (!hwnd_) return false;
    HTREEITEM selected = TreeView_GetSelection(hwnd_);
    HTREEITEM parent = selected ? TreeView_GetParent(hwnd_, selected) : nullptr;
    if (!parent || parent == TVI_ROOT) return false;
    return TreeView_SelectItem(hwnd_, parent) != FALSE;
}

bool FolderTreeView::OnFindItem(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    HTREEITEM found = wParam ? FindChild(reinterpret_cast<HTREEITEM>(wParam), text) : FindPath(text);
    result = reinterpret_cast<LRESULT>(found);
    return true;
}

bool FolderTreeView::OnInsertChild(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto* entry = reinterpret_cast<const FileEntry*>(lParam);
    result = entry ? reinterpret_cast<LRESULT>(InsertChild(reinterpret_cast<HTREEITEM>(wParam), *entry)) : 0;
    return true;
}

bool FolderTreeView::OnSortChildren(WPARAM wParam, LPARAM, LRESULT& result) {
    SortChildren(reinterpret_cast<HTREEITEM>(wParam));
    result = 0;
    return true;
}

bool FolderTreeView::OnExpand(WPARAM wParam, LPARAM lParam, LRESULT&) {
    // Filled before the control expands it, whether or not the owner
    // reflects TVN_ITEMEXPANDINGW.
    UINT action = static_cast<UINT>(wParam) & 0x3;  // TVE_COLLAPSE, TVE_EXPAND or TVE_TOGGLE
    if (action == TVE_EXPAND || action == TVE_TOGGLE) {
        FillOnce(reinterpret_cast<HTREEITEM>(lParam));
    }
    return false;
}

bool FolderTreeView::OnItemExpanding(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* view = reinterpret_cast<const NMTREEVIEWW*>(lParam);
    if (view->action & TVE_EXPAND) FillOnce(view->itemNew.hItem);
    result = FALSE;
    return true;
}

bool FolderTreeView::OnGetDispInfo(WPARAM, LPARAM lParam, LRESULT& result) {
    auto* info = reinterpret_cast<NMTVDISPINFOW*>(lParam);
    TVITEMW& item = info->item;
    if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
        const FileEntry* entry = item.lParam ? reinterpret_cast<const FileEntry*>(item.lParam) : EntryOf(item.hItem);
        int icon = entry ? DeviceFileIconIndex(entry->FullPath()) : 0;
        item.iImage = icon;
        item.iSelectedImage = icon;
    }
    item.mask |= TVIF_DI_SETITEM;
    result = 0;
    return true;
}

bool FolderTreeView::OnDeleteItem(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* view = reinterpret_cast<const NMTREEVIEWW*>(lParam);
    delete reinterpret_cast<FileEntry*>(view->itemOld.lParam);
    result = 0;
    return true;
}

bool FolderTreeView::OnSelChanging(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* view = reinterpret_cast<const NMTREEVIEWW*>(lParam);
    HTREEITEM item = view->itemNew.hItem;
    if (list_ && item && item != TVI_ROOT) {
        WideString path = FullPathOf(item);
        SendMessageW(list_, FLM_SETFOLDER, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(path.c_str()));
    }
    result = FALSE;
    return true;
}

void FolderTreeView::ReleaseEntries(HTREEITEM first) {
    for (HTREEITEM child = first; child; child = TreeView_GetNextSibling(hwnd_, child)) {
        ReleaseEntries(TreeView_GetChild(hwnd_, child));
        FileEntry* entry = EntryOf(child);
        if (!entry) continue;
        TVITEMW data{};
        data.mask = TVIF_PARAM;
        data.hItem = child;
        data.lParam = 0;
        TreeView_SetItem(hwnd_, &data);
        delete entry;
    }
}

bool FolderTreeView::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    // The entries go with the items even when the parent reflects nothing back.
    ReleaseEntries(TreeView_GetRoot(hwnd_));
    return false;
}

}  // namespace brevitex
