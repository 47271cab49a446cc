// Cut, copy, paste and delete of one entry, and the storage-card choice.
#include "filebrowser/FileCommands.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>

#include "device/DeviceShell.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

namespace {

const wchar_t kDropEffectFormat[] = L"Preferred DropEffect";

// A movable block that is freed unless it was handed over (to the clipboard).
class GlobalBlock {
public:
    explicit GlobalBlock(SIZE_T bytes) : block_(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes)) {}
    ~GlobalBlock() {
        if (block_) GlobalFree(block_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL Get() const { return block_; }
    HGLOBAL Release() {
        HGLOBAL block = block_;
        block_ = nullptr;
        return block;
    }

private:
    HGLOBAL block_;
};

// The clipboard opened for a scope; Opened() is false when another window holds it.
class ClipboardScope {
public:
    explicit ClipboardScope(HWND owner) : opened_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardScope() {
        if (opened_) CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool Opened() const { return opened_; }

private:
    bool opened_;
};

void PutDword(BYTE* at, DWORD value) { memcpy(at, &value, sizeof(value)); }

// The value of the clipboard's drop-effect block; 0 when there is none.
DWORD ClipboardDropEffect(UINT format) {
    HGLOBAL block = format ? GetClipboardData(format) : nullptr;
    if (!block || GlobalSize(block) < sizeof(DWORD)) return 0;
    const void* data = GlobalLock(block);
    if (!data) return 0;
    DWORD effect = 0;
    memcpy(&effect, data, sizeof(effect));
    GlobalUnlock(block);
    return effect;
}

// A path list for the shell's file operation: the path and an empty entry.
WideString PathList(const wchar_t* path) {
    WideString list;
    const int length = static_cast<int>(wcslen(path));
    wchar_t* text = list.GetBuffer(length + 1);
    if (!text) return WideString();
    wmemcpy(text, path, length);
    text[length] = 0;
    text[length + 1] = 0;
    list.ReleaseBuffer(length + 1);
    return list;
}

// True when the operation did all it was asked to.
bool RunFileOperation(HWND owner, UINT operation, const WideString& from, const WideString& to) {
    SHFILEOPSTRUCTW record{};
    record.hwnd = owner;
    record.wFunc = operation;
    record.pFrom = from;
    record.pTo = to.IsEmpty() ? nullptr : to.c_str();
    record.fFlags = 0;
    return DeviceFileOperation(&record) == 0 && !record.fAnyOperationsAborted;
}

}  // namespace

HGLOBAL MakeFileDropList(const wchar_t* path, POINT cursor) {
    if (!path) return nullptr;
    const SIZE_T length = wcslen(path);
    GlobalBlock block((length + 12) * sizeof(wchar_t));
    BYTE* data = block.Get() ? static_cast<BYTE*>(GlobalLock(block.Get())) : nullptr;
    if (!data) return nullptr;
    PutDword(data, kDropListHeaderBytes);
    PutDword(data + 4, static_cast<DWORD>(cursor.x));
    PutDword(data + 8, static_cast<DWORD>(cursor.y));
    PutDword(data + 12, 1);
    PutDword(data + 16, 1);
    memcpy(data + kDropListHeaderBytes, path, length * sizeof(wchar_t));
    GlobalUnlock(block.Get());
    return block.Release();
}

bool FirstDropPath(HGLOBAL block, WideString& path) {
    path.Empty();
    const SIZE_T size = block ? GlobalSize(block) : 0;
    if (size < sizeof(DWORD)) return false;
    const BYTE* data = static_cast<const BYTE*>(GlobalLock(block));
    if (!data) return false;
    DWORD offset = 0;
    memcpy(&offset, data, sizeof(offset));
    // The path's units between the offset and the block's end; the first NUL ends it.
    const SIZE_T units = offset < size ? (size - offset) / sizeof(wchar_t) : 0;
    SIZE_T length = 0;
    bool terminated = false;
    for (; length < units; ++length) {
        wchar_t c;
        memcpy(&c, data + offset + length * sizeof(wchar_t), sizeof(c));
        if (c == 0) {
            terminated = true;
            break;
        }
    }
    bool found = terminated && length > 0 && length < INT32_MAX;
    if (found) {
        wchar_t* text = path.GetBuffer(static_cast<int>(length));
        if (text) {
            memcpy(text, data + offset, length * sizeof(wchar_t));
            path.ReleaseBuffer(static_cast<int>(length));
        }
        found = text != nullptr;
    }
    GlobalUnlock(block);
    return found;
}

bool PutFileOnClipboard(HWND owner, const wchar_t* path, DWORD effect) {
    if (!path || !path[0]) return false;
    POINT cursor{};
    GetCursorPos(&cursor);
    HGLOBAL list = MakeFileDropList(path, cursor);
    if (!list) return false;
    ClipboardScope clipboard(owner);
    if (!clipboard.Opened()) {
        GlobalFree(list);
        return false;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_HDROP, list)) {
        GlobalFree(list);
        return false;
    }
    // Without its effect block the list stays on the clipboard and pastes as a copy.
    GlobalBlock effectBlock(sizeof(DWORD));
    if (DWORD* value = effectBlock.Get() ? static_cast<DWORD*>(GlobalLock(effectBlock.Get())) : nullptr) {
        *value = effect;
        GlobalUnlock(effectBlock.Get());
        if (UINT format = RegisterClipboardFormatW(kDropEffectFormat)) {
            if (SetClipboardData(format, effectBlock.Get())) effectBlock.Release();
        }
    }
    return true;
}

bool ClipboardHasFileDrop() { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }

bool PasteFile(HWND owner, const wchar_t* targetFolder) {
    WideString source;
    bool move = false;
    {
        ClipboardScope clipboard(owner);
        if (!clipboard.Opened()) return false;
        FirstDropPath(GetClipboardData(CF_HDROP), source);
        move = ClipboardDropEffect(RegisterClipboardFormatW(kDropEffectFormat)) == kDropEffectMove;
    }
    if (source.IsEmpty()) return false;

    WideString destination(targetFolder ? targetFolder : L"");
    if (destination.IsEmpty() || destination[destination.Length() - 1] != L'\\') destination.Append(L"\\");
    const wchar_t* slash = wcsrchr(source, L'\\');
    destination.Append(slash ? slash + 1 : source.c_str());
    const bool done = RunFileOperation(owner, move ? FO_MOVE : FO_COPY, PathList(source), PathList(destination));
    // A cut is pasted once: its entry leaves the clipboard when the move is
    // done, and stays for another try when it was not.
    if (move && done) {
        ClipboardScope clipboard(owner);
        WideString listed;
        if (clipboard.Opened() && FirstDropPath(GetClipboardData(CF_HDROP), listed) && listed == source) {
            EmptyClipboard();
        }
    }
    return true;
}

bool DeleteWithPrompt(HWND owner, const wchar_t* path) {
    if (!path || !path[0]) return false;
    WideString prompt;
    if (!prompt.Load(IDS_DELETE_PROMPT)) return false;
    if (DeviceMessageBox(owner, prompt, ApplicationTitle(), MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    RunFileOperation(owner, FO_DELETE, PathList(path), WideString());
    return true;
}

void FindStorageCard(wchar_t* buffer, UINT capacity) {
    WIN32_FIND_DATAW card{};
    HANDLE search = DeviceFindFirstStorageCard(&card);
    if (search == INVALID_HANDLE_VALUE) return;
    ULONGLONG best = 0;
    bool found = false;
    wchar_t bestPath[MAX_PATH + 1] = {};
    do {
        if (!(card.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        wchar_t path[MAX_PATH + 1] = {};
        _snwprintf(path, MAX_PATH, L"\\%ls", card.cFileName);
        DiskSpace space{};
        if (!DeviceGetDiskFreeSpace(path, &space)) continue;
        // Equal sizes: the card enumerated last wins.
        if (!found || space.total.QuadPart >= best) {
            best = space.total.QuadPart;
            wcscpy(bestPath, path);
            found = true;
        }
    } while (DeviceFindNextStorageCard(search, &card));
    DeviceFindCloseStorageCard(search);
    if (found && buffer && capacity > 0) lstrcpynW(buffer, bestPath, static_cast<int>(capacity));
}

}  // namespace brevitex
