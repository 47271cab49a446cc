// File change notifications. Each registration has a watcher thread that reads
// its folder's changes with ReadDirectoryChangesW, translates every change into
// the shell's record (event, both paths, attributes, time, size) and posts it to
// the registered window as WM_FILECHANGEINFO. The service keeps every posted
// block until its receiver frees it, so deregistering or a window that dies
// with notifications in its queue loses no memory.
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "device/DeviceShell.h"

struct brevitex::ChangeWatchRecord {
    HWND window = nullptr;
    DWORD windowThread = 0;
    std::wstring folder;
    LONG mask = 0;
    bool recursive = false;
    HANDLE directory = INVALID_HANDLE_VALUE;
    HANDLE stopEvent = nullptr;
    HANDLE thread = nullptr;
    bool stopped = false;  // under g_lock: nothing is posted once set

    // The read in progress: the first is issued before registering returns,
    // so no change made after that is missed.
    OVERLAPPED overlapped{};
    std::vector<DWORD> buffer;
    DWORD bufferBytes = 0;

    // Watcher thread only: the lower-case names of the known subfolders (a
    // deletion's kind is known from them) and a rename's old name waiting
    // for its new name.
    std::unordered_set<std::wstring> subfolders;
    bool subfoldersKnown = false;
    std::wstring pendingOldName;
};

namespace brevitex {

namespace {

// A posted notification; the receiver sees its first member.
struct NotifyBlock {
    FileChangeNotify notify{};
    ChangeWatchRecord* watch = nullptr;  // null once its registration has ended
    std::wstring item1;
    std::wstring item2;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::set<ChangeWatchRecord*>* g_watches = nullptr;      // under g_lock
std::unordered_set<NotifyBlock*>* g_blocks = nullptr;   // under g_lock

constexpr DWORD kBufferBytes = 64 * 1024;
// Set by tests: the buffer size of new registrations (0: kBufferBytes).
std::atomic<DWORD> g_bufferBytes{0};
// How often an idle watcher checks that its window still exists.
constexpr DWORD kWindowCheckMs = 500;
// How long a rename's old name waits for its new name before it counts as a
// move out of the folder.
constexpr DWORD kRenamePairMs = 50;
constexpr DWORD kReadFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                              FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                              FILE_NOTIFY_CHANGE_LAST_WRITE;

class LockGuard {
public:
    LockGuard() { AcquireSRWLockExclusive(&g_lock); }
    ~LockGuard() { ReleaseSRWLockExclusive(&g_lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

std::set<ChangeWatchRecord*>& Watches() {
    if (!g_watches) g_watches = new std::set<ChangeWatchRecord*>;
    return *g_watches;
}

std::unordered_set<NotifyBlock*>& Blocks() {
    if (!g_blocks) g_blocks = new std::unordered_set<NotifyBlock*>;
    return *g_blocks;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty()) return name;
    if (folder.back() == L'\\') return folder + name;
    return folder + L'\\' + name;
}

// Frees the blocks of a registration still waiting somewhere; g_lock held.
void ReleaseBlocksOf(ChangeWatchRecord* watch, bool free) {
    auto& blocks = Blocks();
    for (auto it = blocks.begin(); it != blocks.end();) {
        NotifyBlock* block = *it;
        if (block->watch != watch) {
            ++it;
            continue;
        }
        if (free) {
            it = blocks.erase(it);
            delete block;
        } else {
            block->watch = nullptr;
            ++it;
        }
    }
}

class Watcher {
public:
    explicit Watcher(ChangeWatchRecord* watch) : watch_(watch) {}
    DWORD Run();

private:
    void LearnSubfolders();
    void Translate(DWORD bytes);
    void OnAction(DWORD action, const std::wstring& name);
    void Added(const std::wstring& name);
    void Removed(const std::wstring& name);
    void FlushPendingRename();
    // Posts a change the mask asks for.
    void Post(LONG event, const std::wstring& item1, const std::wstring& item2, bool describeItem);
    void Send(LONG event, const std::wstring& item1, const std::wstring& item2, bool describeItem);
    // A change that cannot be described exactly: the folder's contents changed.
    void PostFolderUpdated(LONG standsFor);

    ChangeWatchRecord* watch_;
    bool windowGone_ = false;
};

bool IssueRead(ChangeWatchRecord* watch) {
    ResetEvent(watch->overlapped.hEvent);
    return ReadDirectoryChangesW(watch->directory, watch->buffer.data(), watch->bufferBytes, watch->recursive, kReadFilter,
                                 nullptr, &watch->overlapped, nullptr) != FALSE;
}

// Runs after the first read is issued, so a folder made meanwhile is not missed.
void Watcher::LearnSubfolders() {
    watch_->subfolders.clear();
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(JoinPath(watch_->folder, L"*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchLimitToDirectories, nullptr, 0);
    watch_->subfoldersKnown = search != INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
        watch_->subfolders.insert(Lower(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

DWORD Watcher::Run() {
    OVERLAPPED& overlapped = watch_->overlapped;
    bool reading = true;
    LearnSubfolders();
    while (reading && !windowGone_) {
        HANDLE handles[2] = {watch_->stopEvent, overlapped.hEvent};
        DWORD timeout = watch_->pendingOldName.empty() ? kWindowCheckMs : kRenamePairMs;
        DWORD wait = WaitForMultipleObjects(2, handles, FALSE, timeout);
        if (wait == WAIT_OBJECT_0) break;
        if (wait == WAIT_TIMEOUT) {
            FlushPendingRename();
            if (!IsWindow(watch_->window)) windowGone_ = true;
            continue;
        }
        if (wait != WAIT_OBJECT_0 + 1) break;
        DWORD bytes = 0;
        bool done = GetOverlappedResult(watch_->directory, &overlapped, &bytes, FALSE) != FALSE;
        // Read at once: a successful call need not clear an older error.
        DWORD error = done ? ERROR_SUCCESS : GetLastError();
        if (done && bytes > 0) {
            Translate(bytes);
        } else if (done || error == ERROR_NOTIFY_ENUM_DIR || error == ERROR_MORE_DATA) {
            // The changes did not fit the buffer: the folder is read again.
            FlushPendingRename();
            PostFolderUpdated(kChangeUpdateFolder);
            LearnSubfolders();
        } else {
            // The folder can no longer be watched (it was removed, say).
            PostFolderUpdated(kChangeUpdateFolder);
            break;
        }
        reading = IssueRead(watch_);
        if (!reading) PostFolderUpdated(kChangeUpdateFolder);
    }
    CancelIoEx(watch_->directory, &overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(watch_->directory, &overlapped, &ignored, TRUE);
    if (windowGone_) {
        // Nothing can receive what the dead window's queue held.
        LockGuard lock;
        watch_->stopped = true;
        ReleaseBlocksOf(watch_, true);
    }
    watch_->subfolders.clear();
    return 0;
}

void Watcher::Translate(DWORD bytes) {
    const auto* base = reinterpret_cast<const BYTE*>(watch_->buffer.data());
    DWORD offset = 0;
    for (;;) {
        if (offset + sizeof(FILE_NOTIFY_INFORMATION) > bytes) break;
        const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(base + offset);
        std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
        OnAction(record->Action, name);
        if (record->NextEntryOffset == 0) break;
        offset += record->NextEntryOffset;
    }
}

void Watcher::OnAction(DWORD action, const std::wstring& name) {
    if (action != FILE_ACTION_RENAMED_NEW_NAME) FlushPendingRename();
    switch (action) {
    case FILE_ACTION_ADDED:
        Added(name);
        break;
    case FILE_ACTION_REMOVED:
        Removed(name);
        break;
    case FILE_ACTION_MODIFIED: {
        // A modified item that is gone already is reported by its deletion.
        std::wstring path = JoinPath(watch_->folder, name);
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            Post(kChangeUpdateItem, path, std::wstring(), true);
        }
        break;
    }
    case FILE_ACTION_RENAMED_OLD_NAME:
        watch_->pendingOldName = name;
        break;
    case FILE_ACTION_RENAMED_NEW_NAME: {
        if (watch_->pendingOldName.empty()) {
            Added(name);  // moved in from elsewhere
            break;
        }
        std::wstring oldName = std::move(watch_->pendingOldName);
        watch_->pendingOldName.clear();
        std::wstring newPath = JoinPath(watch_->folder, name);
        DWORD attributes = GetFileAttributesW(newPath.c_str());
        bool wasFolder = watch_->subfolders.erase(Lower(oldName)) > 0;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            PostFolderUpdated(wasFolder ? kChangeRenameFolder : kChangeRenameItem);
            break;
        }
        bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder) watch_->subfolders.insert(Lower(name));
        Post(isFolder ? kChangeRenameFolder : kChangeRenameItem, JoinPath(watch_->folder, oldName), newPath,
             true);
        break;
    }
    default:
        PostFolderUpdated(kChangeUpdateFolder);
        break;
    }
}

void Watcher::Added(const std::wstring& name) {
    std::wstring path = JoinPath(watch_->folder, name);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Gone again before it could be described; its deletion follows, but
        // the kind is not known: the folder is read again.
        PostFolderUpdated(kChangeCreate | kChangeMakeFolder);
        return;
    }
    bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isFolder) watch_->subfolders.insert(Lower(name));
    Post(isFolder ? kChangeMakeFolder : kChangeCreate, path, std::wstring(), true);
}

void Watcher::Removed(const std::wstring& name) {
    if (!watch_->subfoldersKnown) {
        PostFolderUpdated(kChangeDelete | kChangeRemoveFolder);
        return;
    }
    bool wasFolder = watch_->subfolders.erase(Lower(name)) > 0;
    Post(wasFolder ? kChangeRemoveFolder : kChangeDelete, JoinPath(watch_->folder, name), std::wstring(), false);
}

void Watcher::FlushPendingRename() {
    if (watch_->pendingOldName.empty()) return;
    std::wstring name = std::move(watch_->pendingOldName);
    watch_->pendingOldName.clear();
    Removed(name);  // moved out of the folder
}

void Watcher::Post(LONG event, const std::wstring& item1, const std::wstring& item2, bool describeItem) {
    if (watch_->mask & event) Send(event, item1, item2, describeItem);
}

void Watcher::Send(LONG event, const std::wstring& item1, const std::wstring& item2, bool describeItem) {
    if (windowGone_) return;
    auto* block = new (std::nothrow) NotifyBlock;
    if (!block) return;
    block->watch = watch_;
    block->item1 = item1;
    block->item2 = item2;
    FileChangeInfo& info = block->notify.info;
    block->notify.refCount = 1;
    info.size = sizeof(FileChangeInfo);
    info.event = event;
    info.flags = kChangeItemsArePaths;
    info.item1 = block->item1.c_str();
    info.item2 = block->item2.empty() ? nullptr : block->item2.c_str();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const std::wstring& described = item2.empty() ? item1 : item2;
    if (describeItem && GetFileAttributesExW(described.c_str(), GetFileExInfoStandard, &data)) {
        info.attributes = data.dwFileAttributes;
        info.modified = data.ftLastWriteTime;
        info.fileSize = data.nFileSizeLow;
    }

    LockGuard lock;
    if (watch_->stopped) {
        delete block;
        return;
    }
    Blocks().insert(block);
    if (!PostMessageW(watch_->window, WM_FILECHANGEINFO, 0, reinterpret_cast<LPARAM>(&block->notify))) {
        Blocks().erase(block);
        delete block;
        if (!IsWindow(watch_->window)) windowGone_ = true;
    }
}

void Watcher::PostFolderUpdated(LONG standsFor) {
    // Wanted whenever the change it stands for is.
    if (watch_->mask & (standsFor | kChangeUpdateFolder)) Send(kChangeUpdateFolder, watch_->folder, std::wstring(), false);
}

void CloseWatchHandles(ChangeWatchRecord* watch) {
    if (watch->overlapped.hEvent) CloseHandle(watch->overlapped.hEvent);
    if (watch->stopEvent) CloseHandle(watch->stopEvent);
    if (watch->directory != INVALID_HANDLE_VALUE) CloseHandle(watch->directory);
}

DWORD WINAPI WatchThread(void* param) {
    Watcher watcher(static_cast<ChangeWatchRecord*>(param));
    return watcher.Run();
}

}  // namespace

ChangeWatch DeviceChangeNotifyRegister(HWND window, const wchar_t* folder, LONG eventMask, bool recursive) {
    if (!window || !IsWindow(window) || !folder || !*folder) return nullptr;
    auto watch = std::unique_ptr<ChangeWatchRecord>(new (std::nothrow) ChangeWatchRecord);
    if (!watch) return nullptr;
    watch->window = window;
    watch->windowThread = GetWindowThreadProcessId(window, nullptr);
    watch->folder = folder;
    watch->mask = eventMask;
    watch->recursive = recursive;
    watch->directory = CreateFileW(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (watch->directory == INVALID_HANDLE_VALUE) return nullptr;
    watch->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watch->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD bufferBytes = g_bufferBytes.load();
    if (bufferBytes == 0) bufferBytes = kBufferBytes;
    watch->buffer.assign((bufferBytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    watch->bufferBytes = static_cast<DWORD>(watch->buffer.size() * sizeof(DWORD));
    if (!watch->stopEvent || !watch->overlapped.hEvent || !IssueRead(watch.get())) {
        CloseWatchHandles(watch.get());
        return nullptr;
    }
    {
        LockGuard lock;
        Watches().insert(watch.get());
    }
    watch->thread = CreateThread(nullptr, 0, WatchThread, watch.get(), 0, nullptr);
    if (!watch->thread) {
        {
            LockGuard lock;
            Watches().erase(watch.get());
        }
        CancelIoEx(watch->directory, &watch->overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(watch->directory, &watch->overlapped, &ignored, TRUE);
        CloseWatchHandles(watch.get());
        return nullptr;
    }
    return watch.release();
}

bool DeviceChangeNotifyDeregister(ChangeWatch watch) {
    {
        LockGuard lock;
        if (!watch || !Watches().count(watch)) return false;
        Watches().erase(watch);
        watch->stopped = true;
    }
    SetEvent(watch->stopEvent);
    WaitForSingleObject(watch->thread, INFINITE);
    CloseHandle(watch->thread);
    CloseWatchHandles(watch);

    // On the window's own thread, what waits in its queue for this
    // registration is taken out; notifications of other registrations go back.
    bool ownThread = watch->windowThread == GetCurrentThreadId();
    std::vector<MSG> others;
    MSG msg;
    while (ownThread &&
           PeekMessageW(&msg, watch->window, WM_FILECHANGEINFO, WM_FILECHANGEINFO, PM_REMOVE | PM_NOYIELD)) {
        others.push_back(msg);
    }
    {
        LockGuard lock;
        ReleaseBlocksOf(watch, ownThread);
    }
    for (const MSG& other : others) {
        auto* block = reinterpret_cast<NotifyBlock*>(other.lParam);
        bool ours;
        {
            LockGuard lock;
            ours = !Blocks().count(block);  // released just above
        }
        if (!ours) PostMessageW(other.hwnd, other.message, other.wParam, other.lParam);
    }
    delete watch;
    return true;
}

void DeviceChangeNotifyFree(FileChangeNotify* notify) {
    if (!notify) return;
    auto* block = reinterpret_cast<NotifyBlock*>(notify);
    {
        LockGuard lock;
        if (!Blocks().erase(block)) return;
    }
    delete block;
}

void SetChangeNotifyBufferBytes(DWORD bytes) { g_bufferBytes.store(bytes); }

int DeviceChangeNotifyOutstanding() {
    LockGuard lock;
    return static_cast<int>(Blocks().size());
}

}  // namespace brevitex
