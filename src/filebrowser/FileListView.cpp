// FileListView: enumeration and reload, the extension filter, display on
// demand, column sorting, in-place rename and the change notifications.
#include "filebrowser/FileListView.h"

#include <cwchar>
#include <algorithm>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "common/Handles.h"
#include "common/Module.h"
#include "filebrowser/FolderTreeView.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

struct ColumnSpec {
    UINT caption;
    int format;
    int width;
};

constexpr ColumnSpec kColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 140},
    {IDS_COLUMN_SIZE, LVCFMT_RIGHT, 40},
    {IDS_COLUMN_MODIFIED, LVCFMT_LEFT, 110},
    {IDS_COLUMN_TYPE, LVCFMT_LEFT, 100},
};
constexpr int kColumnCount = 4;
// Pixels around a cell's text and between the icon and the name, and around a caption.
constexpr int kCellPadding = 12;
constexpr int kIconGap = 4;
constexpr int kHeaderPadding = 16;
// Change notifications applied at one go at most, and from how many on with
// redrawing off (turning it back on costs about as much as a few items).
constexpr size_t kBurstBatch = 256;
constexpr size_t kQuietBatch = 4;

// Sort order of LVM_SORTITEMS: the column and where type names come from.
struct SortOrder {
    int column;
    ShellInfoCache* shellInfo;
};

void CopyOut(const wchar_t* text, wchar_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    lstrcpynW(buffer, text ? text : L"", capacity);
}

bool FormatSize(const FileEntry& entry, WideString& text) {
    if (entry.size > 1024) return text.Format(L"%uK", entry.size / 1024);
    if (!entry.IsFolder()) return text.Format(L"%uB", entry.size);
    text.Empty();
    return true;
}

bool FormatModified(const FileEntry& entry, WideString& text) {
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&entry.modified, &local) || !FileTimeToSystemTime(&local, &time)) {
        text.Empty();
        return false;
    }
    return text.Format(L"%d-%02d-%02d %02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
}

int CompareFileTimes(const FILETIME& a, const FILETIME& b) {
    return static_cast<int>(CompareFileTime(&a, &b));
}

int CALLBACK CompareEntries(LPARAM first, LPARAM second, LPARAM orderParam) {
    const auto* a = reinterpret_cast<const FileEntry*>(first);
    const auto* b = reinterpret_cast<const FileEntry*>(second);
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    const auto* order = reinterpret_cast<const SortOrder*>(orderParam);
    switch (order->column) {
    case 1:
        return a->size < b->size ? -1 : (a->size > b->size ? 1 : 0);
    case 2:
        return CompareFileTimes(a->modified, b->modified);
    case 3:
        return CompareNoCase(order->shellInfo->TypeName(*a), order->shellInfo->TypeName(*b));
    default:
        if (a->IsFolder() != b->IsFolder()) return a->IsFolder() ? -1 : 1;
        return CompareNoCase(a->name, b->name);
    }
}

// "<folder>" for folders, else the lower-case extension with its dot ("" without one).
std::wstring ExtensionKey(const FileEntry& entry) {
    if (entry.IsFolder()) return L"<folder>";
    const wchar_t* dot = wcsrchr(entry.name, L'.');
    std::wstring key = dot ? dot : L"";
    if (!key.empty()) CharLowerBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

// Kinds of file the shell draws with an icon taken from the file itself.
bool IconComesFromFile(const std::wstring& extension) {
    for (const wchar_t* own : {L".exe", L".ico", L".cur", L".ani", L".lnk", L".url", L".scr", L".cpl"}) {
        if (extension == own) return true;
    }
    return false;
}

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

// Puts entries in the name column's order (folders first, then names as
// CompareNoCase orders them). Each name's sort key is made once and keys
// compare as bytes, many times cheaper than comparing the names themselves.
void SortByName(std::vector<std::unique_ptr<FileEntry>>& entries) {
    std::vector<std::string> keys(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!NameSortKey(entries[i]->name, keys[i])) {
            // Without keys, the names are compared directly.
            std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
                if (a->IsFolder() != b->IsFolder()) return a->IsFolder();
                return CompareNoCase(a->name, b->name) < 0;
            });
            return;
        }
    }
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (entries[a]->IsFolder() != entries[b]->IsFolder()) return entries[a]->IsFolder();
        return keys[a] < keys[b];
    });
    std::vector<std::unique_ptr<FileEntry>> sorted;
    sorted.reserve(entries.size());
    for (size_t i : order) sorted.push_back(std::move(entries[i]));
    entries.swap(sorted);
}

// A find record for a change notification's item; false when the name does
// not fit the record's name field.
bool FindDataFrom(const FileChangeInfo& info, const wchar_t* name, WIN32_FIND_DATAW& found) {
    size_t length = wcslen(name);
    if (length == 0 || length >= MAX_PATH) return false;
    found = WIN32_FIND_DATAW{};
    found.dwFileAttributes = info.attributes;
    found.ftLastWriteTime = info.modified;
    found.nFileSizeLow = info.fileSize;
    wmemcpy(found.cFileName, name, length + 1);
    return true;
}

}  // namespace

WideString ShellInfoCache::TypeName(const FileEntry& entry) {
    std::wstring key = ExtensionKey(entry);
    auto found = typeNames_.find(key);
    if (found != typeNames_.end()) return WideString(found->second.c_str());
    wchar_t name[80] = {};
    DWORD attributes = entry.attributes ? entry.attributes : FILE_ATTRIBUTE_NORMAL;
    if (DeviceFileTypeName(entry.FullPath(), attributes, name, 80)) typeNames_.emplace(key, name);
    return WideString(name);
}

int ShellInfoCache::IconIndex(const FileEntry& entry) {
    if (entry.IsFolder()) return DeviceFileIconIndex(entry.FullPath());
    std::wstring key = ExtensionKey(entry);
    if (IconComesFromFile(key)) return DeviceFileIconIndex(entry.FullPath());
    auto found = icons_.find(key);
    if (found != icons_.end()) return found->second;
    // The icon of the kind: what the shell gives for the extension alone.
    DWORD attributes = entry.attributes ? entry.attributes : FILE_ATTRIBUTE_NORMAL;
    int index = DeviceFileIconIndex(entry.FullPath(), attributes);
    icons_.emplace(key, index);
    return index;
}

FileListView::~FileListView() { StopWatching(); }

bool FileListView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    static const MessageMapEntry<Self> kMap[] = {
        BX_MESSAGE(FLM_REFRESH, OnRefresh),
        BX_MESSAGE(FLM_SETFOLDER, OnSetFolder),
        BX_MESSAGE(WM_FILECHANGEINFO, OnFileChange),
        BX_MESSAGE(WM_DESTROY, OnDestroy),
        BX_NOTIFY(kAnyId, HDN_ITEMCLICKW, OnHeaderClick),
        BX_NOTIFY(kAnyId, HDN_ITEMCLICKA, OnHeaderClick),
        BX_REFLECTED_NOTIFY(LVN_GETDISPINFOW, OnGetDispInfo),
        BX_REFLECTED_NOTIFY(LVN_DELETEITEM, OnDeleteItem),
        BX_REFLECTED_NOTIFY(LVN_DELETEALLITEMS, OnDeleteAllItems),
        BX_REFLECTED_NOTIFY(LVN_BEGINLABELEDITW, OnBeginLabelEdit),
        BX_REFLECTED_NOTIFY(LVN_ENDLABELEDITW, OnEndLabelEdit),
    };
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool FileListView::Initialize() {
    if (!hwnd_) return false;
    largeIcons_ = DeviceSystemImageList(true);
    smallIcons_ = DeviceSystemImageList(false);
    LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, style | WS_CLIPCHILDREN | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS);
    ListView_SetImageList(hwnd_, largeIcons_, LVSIL_NORMAL);
    ListView_SetImageList(hwnd_, smallIcons_, LVSIL_SMALL);
    for (int i = 0; i < kColumnCount; ++i) {
        WideString caption;
        caption.Load(kColumns[i].caption);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(caption.c_str());
        column.iSubItem = i;
        if (ListView_InsertColumn(hwnd_, i, &column) < 0) return false;
    }
    header_ = ListView_GetHeader(hwnd_);
    return true;
}

void FileListView::SetFilter(const wchar_t* patterns) {
    WideString filter(patterns);
    if (!filter.IsEmpty()) {
        if (wcsncmp(filter, L"*.*", 3) == 0) {
            filter.Empty();
        } else if (filter.Append(L",")) {
            wchar_t* text = filter.GetBuffer(filter.Length());
            if (text) {
                CharLowerBuffW(text, static_cast<DWORD>(filter.Length()));
                filter.ReleaseBuffer(filter.Length());
            }
        }
    }
    if (filter == filter_) return;
    filter_ = filter;
    if (hwnd_) Reload();
}

bool FileListView::MatchesFilter(const wchar_t* name) const {
    if (filter_.IsEmpty()) return true;
    const wchar_t* dot = name ? wcsrchr(name, L'.') : nullptr;
    if (!dot) return false;
    WideString key(dot);
    if (!key.Append(L",")) return false;
    wchar_t* text = key.GetBuffer(key.Length());
    if (!text) return false;
    CharLowerBuffW(text, static_cast<DWORD>(key.Length()));
    key.ReleaseBuffer(key.Length());
    return wcsstr(filter_, key) != nullptr;
}

FileEntry* FileListView::EntryAt(int index) const {
    if (!hwnd_ || index < 0) return nullptr;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!ListView_GetItem(hwnd_, &item)) return nullptr;
    return reinterpret_cast<FileEntry*>(item.lParam);
}

WideString FileListView::FullPathOf(int index) const {
    if (!hwnd_) return WideString();
    if (index == -1) {
        UINT which = ListView_GetSelectedCount(hwnd_) >= 2 ? LVNI_FOCUSED : LVNI_SELECTED;
        index = ListView_GetNextItem(hwnd_, -1, which);
    }
    const FileEntry* entry = EntryAt(index);
    return entry ? entry->FullPath() : WideString();
}

WideString FileListView::ItemText(int index) const {
    WideString text;
    if (!hwnd_ || index < 0) return text;
    for (int size = 256; size > 0 && size <= (1 << 24); size *= 2) {
        wchar_t* buffer = text.GetBuffer(size);
        if (!buffer) return WideString();
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = buffer;
        item.cchTextMax = size;
        int length = static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)));
        text.ReleaseBuffer(length < size ? length : size - 1);
        if (length < size - 1) break;
    }
    return text;
}

const wchar_t* FileListView::InsideFolder(const wchar_t* path) const {
    int length = folder_.Length();
    if (!path || length == 0 || !StartsWithNoCase(path, folder_, length)) return nullptr;
    const wchar_t* rest = path + length;
    // "\a\bc" is not inside "\a\b": the folder part must end at a '\'.
    if (*rest == L'\\') return rest + 1;
    if (folder_[length - 1] == L'\\') return rest;
    return *rest ? nullptr : rest;
}

int FileListView::FindItem(const wchar_t* nameOrPath) const {
    if (!hwnd_ || !nameOrPath || !*nameOrPath) return -1;
    const wchar_t* name = nameOrPath;
    // A name holds no '\': anything that does is a full path (device or drive).
    if (wcschr(nameOrPath, L'\\')) {
        name = InsideFolder(nameOrPath);
        if (!name || !*name) return -1;
    }
    // Names that differ only in case may both exist (on some file systems): the
    // exact one wins.
    int found = -1;
    for (const auto& entry : entries_) {
        if (!EqualNoCase(entry->name, name)) continue;
        int index = IndexOf(entry.get());
        if (index < 0) continue;
        if (wcscmp(entry->name, name) == 0) return index;
        if (found < 0) found = index;
    }
    return found;
}

int FileListView::IndexOf(const FileEntry* entry) const {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(entry);
    return ListView_FindItem(hwnd_, -1, &find);
}

bool FileListView::TreeItemLinked() const { return tree_ && treeItem_ && treeItem_ != TVI_ROOT; }

FileEntry* FileListView::MakeEntry(const WIN32_FIND_DATAW& found, bool reloading) {
    bool isFolder = (found.dwFileAttributes & kAttributeFolder) != 0;
    if (!isFolder && !MatchesFilter(found.cFileName)) return nullptr;
    std::unique_ptr<FileEntry> entry(new (std::nothrow) FileEntry(folder_, found));
    if (!entry) return nullptr;
    if (reloading && isFolder && TreeItemLinked() && !TreeItemExpandedOnce(tree_, treeItem_)) {
        SendMessageW(tree_, FTM_INSERTCHILD, reinterpret_cast<WPARAM>(treeItem_),
                     reinterpret_cast<LPARAM>(entry.get()));
    }
    entries_.push_back(std::move(entry));
    return entries_.back().get();
}

int FileListView::InsertItem(FileEntry* entry, int index) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    item.lParam = reinterpret_cast<LPARAM>(entry);
    int inserted = ListView_InsertItem(hwnd_, &item);
    if (inserted < 0) DestroyEntry(entry);
    return inserted;
}

void FileListView::DestroyEntry(const FileEntry* entry) {
    for (auto& owned : entries_) {
        if (owned.get() != entry) continue;
        owned = std::move(entries_.back());
        entries_.pop_back();
        return;
    }
}

void FileListView::DeleteAllItems() {
    // The entries are destroyed here in one go, and the control is told not
    // to announce each deleted item (LVN_DELETEALLITEMS answered TRUE).
    deletingAll_ = true;
    ListView_DeleteAllItems(hwnd_);
    deletingAll_ = false;
    entries_.clear();
}

void FileListView::Reload() {
    WaitCursor wait;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    DeleteAllItems();
    // No folder is shown before the first FLM_SETFOLDER: nothing to list.
    if (!folder_.IsEmpty()) {
        WideString pattern = FolderWithSlash();
        WIN32_FIND_DATAW found;
        HANDLE search = pattern.Append(L"*.*") ? FindFirstFileW(pattern, &found) : INVALID_HANDLE_VALUE;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!IsDotEntry(found.cFileName)) MakeEntry(found, true);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        if (TreeItemLinked()) {
            MarkTreeItemExpandedOnce(tree_, treeItem_);
            SendMessageW(tree_, FTM_SORTCHILDREN, reinterpret_cast<WPARAM>(treeItem_), 0);
        }
        // Sorted before they go in: the items need no sorting in the control.
        SortByName(entries_);
        std::vector<FileEntry*> sorted;
        sorted.reserve(entries_.size());
        for (const auto& entry : entries_) sorted.push_back(entry.get());
        int index = 0;
        for (FileEntry* entry : sorted) {
            if (InsertItem(entry, index) >= 0) ++index;
        }
    }
    SizeColumns();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    ListView_EnsureVisible(hwnd_, 0, FALSE);
}

void FileListView::SortByColumn(int column) {
    SortOrder order{column, &shellInfo_};
    ListView_SortItems(hwnd_, CompareEntries, reinterpret_cast<LPARAM>(&order));
}

void FileListView::StopWatching() {
    if (!watch_) return;
    DeviceChangeNotifyDeregister(watch_);
    watch_ = nullptr;
}

bool FileListView::OnRefresh(WPARAM, LPARAM, LRESULT& result) {
    refreshPosted_ = false;
    Reload();
    result = 0;
    return true;
}

bool FileListView::OnSetFolder(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto* path = reinterpret_cast<const wchar_t*>(lParam);
    if (!path) return true;
    StopWatching();
    folder_ = path;
    treeItem_ = reinterpret_cast<HTREEITEM>(wParam);
    Reload();
    watch_ = DeviceChangeNotifyRegister(hwnd_, folder_, kFileListEvents, false);
    result = 1;
    return true;
}

bool FileListView::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    StopWatching();
    // The entries go with the items even when the parent reflects nothing back.
    DeleteAllItems();
    return false;
}

bool FileListView::OnHeaderClick(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* header = reinterpret_cast<const NMHEADERW*>(lParam);
    if (header->hdr.hwndFrom != header_ || header->iItem < 0 || header->iItem >= kColumnCount) return false;
    SortByColumn(header->iItem);
    result = 0;
    return true;
}

bool FileListView::OnGetDispInfo(WPARAM, LPARAM lParam, LRESULT& result) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
    LVITEMW& item = info->item;
    const FileEntry* entry = item.lParam ? reinterpret_cast<const FileEntry*>(item.lParam) : EntryAt(item.iItem);
    if (!entry) return false;
    if (item.mask & LVIF_IMAGE) item.iImage = shellInfo_.IconIndex(*entry);
    if (item.mask & LVIF_TEXT) {
        WideString text;
        switch (item.iSubItem) {
        case 0:
            text = entry->name;
            break;
        case 1:
            FormatSize(*entry, text);
            break;
        case 2:
            FormatModified(*entry, text);
            break;
        case 3:
            text = shellInfo_.TypeName(*entry);
            break;
        }
        CopyOut(text, item.pszText, item.cchTextMax);
    }
    item.mask |= LVIF_DI_SETITEM;
    result = 0;
    return true;
}

bool FileListView::OnDeleteItem(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* view = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (!deletingAll_) DestroyEntry(reinterpret_cast<const FileEntry*>(view->lParam));
    result = 0;
    return true;
}

bool FileListView::OnDeleteAllItems(WPARAM, LPARAM, LRESULT& result) {
    result = deletingAll_ ? TRUE : FALSE;
    return true;
}

void FileListView::SizeColumns() {
    // Measured here with one device context: the control's own sizing asks
    // every item for its text and takes a device context for each, which on
    // large folders costs many times the enumeration.
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    HGDIOBJ font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    auto width = [dc](const wchar_t* text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
        return static_cast<int>(size.cx);
    };
    int widths[kColumnCount] = {};
    WideString longestSize;
    WideString anyTime;
    std::map<std::wstring, bool> types;
    for (const auto& entry : entries_) {
        widths[0] = (std::max)(widths[0], width(entry->name));
        // Digits are of one width: the longest text is the widest.
        WideString text;
        if (FormatSize(*entry, text) && text.Length() > longestSize.Length()) longestSize = text;
        if (anyTime.IsEmpty()) FormatModified(*entry, anyTime);
        types.emplace(shellInfo_.TypeName(*entry).c_str(), true);
    }
    widths[1] = width(longestSize);
    widths[2] = width(anyTime);
    for (const auto& type : types) widths[3] = (std::max)(widths[3], width(type.first.c_str()));
    SelectObject(dc, font);
    ReleaseDC(hwnd_, dc);

    int iconWidth = 0, iconHeight = 0;
    if (smallIcons_) ImageList_GetIconSize(smallIcons_, &iconWidth, &iconHeight);
    widths[0] += iconWidth + kIconGap;
    for (int column = kColumnCount - 1; column >= 0; --column) {
        WideString caption;
        caption.Load(kColumns[column].caption);
        int header = ListView_GetStringWidth(hwnd_, caption.c_str()) + kHeaderPadding;
        ListView_SetColumnWidth(hwnd_, column, (std::max)(widths[column] + kCellPadding, header));
    }
}

bool FileListView::OnBeginLabelEdit(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
    const FileEntry* entry = EntryAt(info->item.iItem);
    result = (!entry || (entry->attributes & (kAttributeSystem | kAttributeInRom))) ? TRUE : FALSE;
    return true;
}

bool FileListView::OnEndLabelEdit(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
    result = FALSE;
    FileEntry* entry = EntryAt(info->item.iItem);
    const wchar_t* text = info->item.pszText;
    if (!entry || !text || !*text) return true;
    // A new name, not a path: a '\' or '/' would move the entry elsewhere.
    if (wcspbrk(text, L"\\/")) return true;
    WideString from = entry->FullPath();
    if (from.IsEmpty()) return true;
    // A name the file system would store otherwise (cut short, trailing dots
    // dropped) is refused, saying so, before anything changes.
    if (DWORD error = DeviceRenameEntry(from, text)) {
        TellRenameFailure(text, error);
        return true;
    }
    entry->name = text;
    result = TRUE;
    return true;
}

void FileListView::TellRenameFailure(const wchar_t* newName, DWORD error) const {
    // Other failures keep the old label without a word, as a failed move does.
    WideString text;
    if (error == ERROR_FILENAME_EXCED_RANGE) {
        if (!text.Load(IDS_NAME_TOO_LONG)) return;
    } else {
        WideString pattern;
        if (error != ERROR_INVALID_NAME || !pattern.Load(IDS_RENAME_CHANGED) || !text.Format(pattern, newName)) return;
    }
    DeviceMessageBox(GetParent(hwnd_), text, ApplicationTitle(), MB_OK | MB_ICONWARNING);
}

void FileListView::RemoveTreeItem(const wchar_t* path) {
    if (!tree_) return;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree_, FTM_FINDITEM, 0, reinterpret_cast<LPARAM>(path)));
    if (item) TreeView_DeleteItem(tree_, item);
}

void FileListView::ApplyRemoved(const wchar_t* path) {
    RemoveTreeItem(path);
    int index = FindItem(path);
    if (index >= 0) ListView_DeleteItem(hwnd_, index);
}

bool FileListView::ApplyCreated(const FileChangeInfo& info, const wchar_t* path) {
    const wchar_t* name = InsideFolder(path);
    if (!name || !*name || wcschr(name, L'\\')) return false;
    int index = FindItem(name);
    if (index < 0) {
        WIN32_FIND_DATAW found;
        if (!FindDataFrom(info, name, found)) return false;
        FileEntry* entry = MakeEntry(found, false);
        index = entry ? InsertItem(entry, ListView_GetItemCount(hwnd_)) : -1;
        if (index < 0) return false;
    } else {
        // A file put in place of one listed (a paste that replaced it): its size and time are the new one's.
        RefreshItem(info, path);
    }
    const FileEntry* entry = EntryAt(index);
    if (tree_ && entry && entry->IsFolder()) {
        HTREEITEM selected = TreeView_GetSelection(tree_);
        if (selected) {
            TreeView_Expand(tree_, selected, TVE_EXPAND);
            if (!SendMessageW(tree_, FTM_FINDITEM, reinterpret_cast<WPARAM>(selected),
                              reinterpret_cast<LPARAM>(entry->name.c_str()))) {
                SendMessageW(tree_, FTM_INSERTCHILD, reinterpret_cast<WPARAM>(selected),
                             reinterpret_cast<LPARAM>(entry));
                SendMessageW(tree_, FTM_SORTCHILDREN, reinterpret_cast<WPARAM>(selected), 0);
            }
        }
    }
    return true;
}

bool FileListView::OnFileChange(WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    auto* notify = reinterpret_cast<FileChangeNotify*>(lParam);
    if (!notify) return true;
    // Changes that arrived together (a burst) are taken out of the queue in
    // batches; a batch of several is applied with redrawing off, so the
    // control repaints and sets its scroll bars once, not after every item.
    std::vector<FileChangeNotify*> batch{notify};
    MSG next;
    while (batch.size() < kBurstBatch &&
           PeekMessageW(&next, hwnd_, WM_FILECHANGEINFO, WM_FILECHANGEINFO, PM_REMOVE)) {
        if (next.lParam) batch.push_back(reinterpret_cast<FileChangeNotify*>(next.lParam));
    }
    bool quiet = batch.size() >= kQuietBatch;
    if (quiet) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ChangeWatch watch = watch_;
    for (FileChangeNotify* change : batch) {
        // Switching folders meanwhile ended the registration, which released
        // the rest of the batch.
        if (watch_ != watch) break;
        ApplyChange(change);
    }
    if (quiet) SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    return true;
}

void FileListView::PostRefresh() {
    // One reload covers every change before it: a burst that cannot be
    // applied item by item reloads once, not once per change.
    if (refreshPosted_) return;
    refreshPosted_ = PostMessageW(hwnd_, FLM_REFRESH, 1, 0) != FALSE;
}

void FileListView::ApplyChange(FileChangeNotify* notify) {
    // Copied and released first: handling may switch folders, which ends the
    // registration and releases what it still holds.
    FileChangeInfo info = notify->info;
    WideString item1(info.item1);
    WideString item2(info.item2);
    DeviceChangeNotifyFree(notify);
    info.item1 = item1;
    info.item2 = item2.IsEmpty() ? nullptr : item2.c_str();

    bool handled = false;
    if (info.flags & kChangeItemsArePaths) {
        switch (info.event) {
        case kChangeRenameItem:
        case kChangeRenameFolder:
            ApplyRemoved(item1);
            handled = item2.IsEmpty() ? true : ApplyCreated(info, item2);
            break;
        case kChangeCreate:
        case kChangeMakeFolder:
            handled = ApplyCreated(info, item1);
            break;
        case kChangeDelete:
        case kChangeRemoveFolder:
            ApplyRemoved(item1);
            handled = true;
            break;
        case kChangeUpdateFolder:
            if (EqualNoCase(item1, folder_)) PostRefresh();
            handled = true;
            break;
        case kChangeUpdateItem:
        case kChangeUpdateImage:
            RefreshItem(info, item1);
            handled = true;
            break;
        default:
            break;
        }
    }
    if (!handled) PostRefresh();
}

void FileListView::RefreshItem(const FileChangeInfo& info, const wchar_t* path) {
    int index = FindItem(path);
    FileEntry* entry = EntryAt(index);
    if (!entry) return;
    // What the change left: the size and time shown are asked for again.
    if (info.attributes) {
        entry->attributes = info.attributes;
        entry->size = info.fileSize;
        entry->modified = info.modified;
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    ListView_SetItem(hwnd_, &item);
    item.mask = LVIF_TEXT;
    for (item.iSubItem = 1; item.iSubItem < kColumnCount; ++item.iSubItem) ListView_SetItem(hwnd_, &item);
}

}  // namespace brevitex
