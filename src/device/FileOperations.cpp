// The device's file operation (copy, move, delete) and rename, and the
// free-space query, each behind one function with a test hook.
//
// The desktop's own shell operation is not used: under Wine it deletes and
// moves the targets of symbolic links instead of the links, and faults on
// long paths. This one works on extended-length paths, treats every link as
// an entry of its own (through the Unix side where the Windows side would
// follow it), asks before replacing anything, writes each copy whole under a
// temporary name, and tells every failure with the item and its reason.
#include <string>
#include <vector>

#include "common/Handles.h"
#include "common/Module.h"
#include "common/WideString.h"
#include "device/DevicePaths.h"
#include "device/DeviceShell.h"
#include "device/FileOperationWindows.h"
#include "device/UnixHost.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

SRWLOCK g_hookLock = SRWLOCK_INIT;
FileOperationHook g_fileOperationHook = nullptr;
void* g_fileOperationContext = nullptr;
DiskSpaceHook g_diskSpaceHook = nullptr;
void* g_diskSpaceContext = nullptr;
FileProgressHook g_progressHook = nullptr;
void* g_progressContext = nullptr;

constexpr DWORD kUnixTimeoutMs = 10000;
constexpr DWORD kProgressDelayMs = 400;
constexpr DWORD kCopyChunkBytes = 1 << 20;
constexpr size_t kSkippedNamesShown = 8;
// Paths in messages and the progress window are cut to this many characters.
constexpr size_t kShownPathLength = 72;

// The next name from a list of paths ended by an empty entry.
const wchar_t* NextInList(const wchar_t* item) { return item + wcslen(item) + 1; }

std::vector<std::string> UnixCommand(std::initializer_list<std::string> words) { return words; }

// Removes a link itself, never its target.
DWORD RemoveLink(const std::wstring& path, const EntryState& state) {
    if (!UnixHostAvailable()) {
        BOOL removed = (state.attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                                      : DeleteFileW(path.c_str());
        return removed ? 0 : GetLastError();
    }
    const std::string unixName = UnixFileName(path.c_str());
    if (unixName.empty()) return ERROR_PATH_NOT_FOUND;
    if (RunUnixProgram(UnixCommand({"/bin/rm", "-f", "--", unixName}), kUnixTimeoutMs) != 0) return ERROR_ACCESS_DENIED;
    EntryState after;
    if (InspectEntry(path, &after) == 0 && after.kind != EntryKind::Missing) return ERROR_ACCESS_DENIED;
    return 0;
}

DWORD CopyLink(const std::wstring& from, const std::wstring& to) {
    if (!UnixHostAvailable()) return ERROR_NOT_SUPPORTED;
    const std::string source = UnixFileName(from.c_str());
    const std::string target = UnixFileName(to.c_str());
    if (source.empty() || target.empty()) return ERROR_PATH_NOT_FOUND;
    if (RunUnixProgram(UnixCommand({"/bin/cp", "-P", "-n", "--", source, target}), kUnixTimeoutMs) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    return 0;
}

// Renames a link within one volume; ERROR_NOT_SAME_DEVICE across volumes.
DWORD RenameLink(const std::wstring& from, const std::wstring& to) {
    if (!UnixHostAvailable()) return MoveFileExW(from.c_str(), to.c_str(), 0) ? 0 : GetLastError();
    const std::string source = UnixFileName(from.c_str());
    const std::string target = UnixFileName(to.c_str());
    if (source.empty() || target.empty()) return ERROR_PATH_NOT_FOUND;
    // The Unix side renames the link itself; a destination on another file
    // system (another device number of its folder) is told, not copied.
    const int status = RunUnixProgram(
        UnixCommand({"/bin/sh", "-c",
                     "if [ -e \"$2\" ] || [ -L \"$2\" ]; then exit 3; fi; "
                     "[ \"$(stat -c %d -- \"$(dirname -- \"$1\")\")\" = "
                     "\"$(stat -c %d -- \"$(dirname -- \"$2\")\")\" ] || exit 4; "
                     "mv -n -T -- \"$1\" \"$2\" && [ -L \"$2\" ] && ! [ -L \"$1\" ]",
                     "sh", source, target}),
        kUnixTimeoutMs);
    if (status == 0) return 0;
    if (status == 3) return ERROR_ALREADY_EXISTS;
    if (status == 4) return ERROR_NOT_SAME_DEVICE;
    return ERROR_ACCESS_DENIED;
}

class FileOperation {
public:
    FileOperation(HWND owner, UINT function, FILEOP_FLAGS flags) : owner_(owner), function_(function), flags_(flags) {
        started_ = GetTickCount();
    }
    ~FileOperation() = default;
    FileOperation(const FileOperation&) = delete;
    FileOperation& operator=(const FileOperation&) = delete;

    // One source and, for copy and move, its full destination path.
    DWORD Run(const wchar_t* from, const wchar_t* to);
    bool Aborted() const { return aborted_; }
    void Finish();

private:
    enum class Answer { Yes, No, Cancel };

    DWORD Delete(const std::wstring& path, const EntryState& state);
    DWORD Copy(const std::wstring& from, const EntryState& state, const std::wstring& to);
    DWORD Move(const std::wstring& from, const EntryState& state, const std::wstring& to);
    DWORD CopyFileData(const std::wstring& from, const EntryState& state, const std::wstring& to);
    DWORD MergeFolder(const std::wstring& from, const std::wstring& to);
    DWORD ReplaceFile(const std::wstring& to, const EntryState& existing);
    DWORD CountEntries(const std::wstring& folder);

    // The listed entries of a folder (no "." and ".."), each classified.
    DWORD ListFolder(const std::wstring& folder, std::vector<EntryState>* entries);
    Answer AskReplace(const std::wstring& to, bool folders);
    bool Step(const std::wstring& item);
    DWORD Fail(UINT formatId, const std::wstring& path, DWORD error);
    // Tells why the request as a whole is not carried out.
    DWORD Refuse(UINT formatId, const std::wstring& path, DWORD error);
    void Tell(const WideString& text, UINT icon);
    UINT FailureFormat() const;

    HWND owner_;
    UINT function_;
    FILEOP_FLAGS flags_;
    DWORD started_ = 0;
    bool yesToAll_ = false;
    bool several_ = false;
    bool aborted_ = false;
    bool cancelled_ = false;
    bool failed_ = false;
    bool declined_ = false;  // a question was answered No: the move keeps its source
    int done_ = 0;
    int total_ = 0;
    std::vector<std::wstring> skipped_;
    FileProgressWindow progress_;
};

UINT FileOperation::FailureFormat() const {
    if (function_ == FO_DELETE) return IDS_FILEOP_DELETE_FAILED;
    return function_ == FO_MOVE ? IDS_FILEOP_MOVE_FAILED : IDS_FILEOP_COPY_FAILED;
}

void FileOperation::Tell(const WideString& text, UINT icon) {
    if (flags_ & FOF_NOERRORUI) return;
    DeviceMessageBox(progress_.Shown() ? progress_.Handle() : owner_, text, ApplicationTitle(), MB_OK | icon);
}

DWORD FileOperation::Fail(UINT formatId, const std::wstring& path, DWORD error) {
    failed_ = true;
    aborted_ = true;
    wchar_t reason[512] = {};
    DeviceFailureReason(error, reason, 512);
    WideString text;
    WideString pattern;
    if (pattern.Load(formatId) && text.Format(pattern, DisplayPath(path, kShownPathLength).c_str(), reason)) Tell(text, MB_ICONERROR);
    return error ? error : ERROR_GEN_FAILURE;
}

DWORD FileOperation::Refuse(UINT formatId, const std::wstring& path, DWORD error) {
    failed_ = true;
    aborted_ = true;
    WideString text;
    WideString pattern;
    if (pattern.Load(formatId) && text.Format(pattern, DisplayPath(path, kShownPathLength).c_str())) {
        Tell(text, MB_ICONWARNING);
    }
    return error;
}

bool FileOperation::Step(const std::wstring& item) {
    if (cancelled_) return false;
    ++done_;
    AcquireSRWLockShared(&g_hookLock);
    FileProgressHook hook = g_progressHook;
    void* context = g_progressContext;
    ReleaseSRWLockShared(&g_hookLock);
    const std::wstring shown = DisplayPath(item, kShownPathLength);
    if (hook && !hook(shown.c_str(), done_, total_, context)) cancelled_ = true;
    if (!(flags_ & FOF_SILENT) && !progress_.Shown() && GetTickCount() - started_ >= kProgressDelayMs) {
        UINT captionId = function_ == FO_DELETE ? IDS_FILEOP_DELETING
                                                : (function_ == FO_MOVE ? IDS_FILEOP_MOVING : IDS_FILEOP_COPYING);
        WideString caption;
        caption.Load(captionId);
        progress_.Show(owner_, caption);
    }
    if (progress_.Shown()) {
        progress_.Update(shown.c_str(), done_, total_);
        // Keep every window of the thread answering while the work goes on.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                cancelled_ = true;
                break;
            }
            if (!IsDialogMessageW(progress_.Handle(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (progress_.Cancelled()) cancelled_ = true;
    }
    if (cancelled_) aborted_ = true;
    return !cancelled_;
}

FileOperation::Answer FileOperation::AskReplace(const std::wstring& to, bool folders) {
    if (yesToAll_ || (flags_ & FOF_NOCONFIRMATION)) return Answer::Yes;
    WideString text;
    WideString pattern;
    if (!pattern.Load(folders ? IDS_FILEOP_MERGE_PROMPT : IDS_FILEOP_REPLACE_PROMPT) ||
        !text.Format(pattern, DisplayPath(to, kShownPathLength).c_str())) {
        return Answer::Cancel;
    }
    HWND owner = progress_.Shown() ? progress_.Handle() : owner_;
    const UINT type = several_ ? (kMessageBoxYesToAllNoCancel | MB_DEFBUTTON3) : (MB_YESNO | MB_DEFBUTTON2);
    const int answer = DeviceMessageBox(owner, text, ApplicationTitle(), type | MB_ICONQUESTION);
    if (answer == kIdYesToAll) yesToAll_ = true;
    if (answer == IDYES || answer == kIdYesToAll) return Answer::Yes;
    aborted_ = true;
    if (answer == IDNO) {
        declined_ = true;
        return Answer::No;
    }
    cancelled_ = true;
    return Answer::Cancel;
}

DWORD FileOperation::ListFolder(const std::wstring& folder, std::vector<EntryState>* entries) {
    entries->clear();
    const std::wstring folderFinal = UnixHostAvailable() ? FinalPathOf(folder) : std::wstring();
    WIN32_FIND_DATAW data{};
    UniqueFind search(FindFirstFileW(JoinName(folder, L"*").c_str(), &data));
    if (!search) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 0 : error;
    }
    std::vector<std::wstring> names;
    do {
        if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
        EntryState state;
        if (!ClassifyListedEntry(folder, folderFinal, data, &state)) return ERROR_ACCESS_DENIED;
        names.push_back(data.cFileName);
        entries->push_back(state);
    } while (FindNextFileW(search.Get(), &data));
    // Names listed more than once (not shown exactly) reach only one of their entries.
    for (size_t i = 0; i < entries->size(); ++i) {
        for (size_t j = 0; j < entries->size(); ++j) {
            if (i != j && SamePath(names[i], names[j])) (*entries)[i].kind = EntryKind::Ambiguous;
        }
    }
    return 0;
}

DWORD FileOperation::CountEntries(const std::wstring& folder) {
    std::vector<EntryState> entries;
    if (ListFolder(folder, &entries) != 0) return 0;
    for (const EntryState& entry : entries) {
        ++total_;
        if (entry.kind == EntryKind::Folder) CountEntries(JoinName(folder, entry.diskName));
    }
    return 0;
}

DWORD FileOperation::Delete(const std::wstring& path, const EntryState& state) {
    if (!Step(path)) return ERROR_CANCELLED;
    switch (state.kind) {
    case EntryKind::Missing:
        return 0;
    case EntryKind::Ambiguous:
        return Fail(IDS_FILEOP_DELETE_FAILED, path, ERROR_INVALID_NAME);
    case EntryKind::Link:
        if (DWORD error = RemoveLink(path, state)) return Fail(IDS_FILEOP_DELETE_FAILED, path, error);
        return 0;
    case EntryKind::File:
        if (!DeleteFileW(path.c_str())) return Fail(IDS_FILEOP_DELETE_FAILED, path, GetLastError());
        return 0;
    case EntryKind::Folder:
        break;
    }
    std::vector<EntryState> entries;
    if (DWORD error = ListFolder(path, &entries)) return Fail(IDS_FILEOP_DELETE_FAILED, path, error);
    for (const EntryState& entry : entries) {
        if (DWORD error = Delete(JoinName(path, entry.diskName), entry)) return error;
    }
    if (RemoveDirectoryW(path.c_str())) return 0;
    DWORD error = GetLastError();
    // Links to nothing are not listed on this side; they go as links too.
    if (error == ERROR_DIR_NOT_EMPTY && UnixHostAvailable()) {
        const std::string folder = UnixFileName(path.c_str());
        if (!folder.empty() &&
            RunUnixProgram(UnixCommand({"/usr/bin/find", folder, "-mindepth", "1", "-maxdepth", "1", "-type", "l",
                                        "-exec", "rm", "-f", "--", "{}", "+"}),
                           kUnixTimeoutMs) == 0 &&
            RemoveDirectoryW(path.c_str())) {
            return 0;
        }
        error = GetLastError() ? GetLastError() : ERROR_DIR_NOT_EMPTY;
    }
    return Fail(IDS_FILEOP_DELETE_FAILED, path, error);
}

DWORD FileOperation::CopyFileData(const std::wstring& from, const EntryState& state, const std::wstring& to) {
    UniqueFile source(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return GetLastError();
    // Written under a temporary name beside the destination, which it replaces
    // only once it is whole: a cancel or a failure leaves no half-written file.
    static LONG counter = 0;
    wchar_t tempName[64];
    wsprintfW(tempName, L"~bvxcopy-%lu-%ld.tmp", GetCurrentProcessId(), InterlockedIncrement(&counter));
    const std::wstring temp = JoinName(ParentPath(to), tempName);
    DWORD error = 0;
    ULONGLONG copiedBytes = 0;
    {
        UniqueFile target(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!target) return GetLastError();
        std::vector<char> buffer(kCopyChunkBytes);
        ULONGLONG copied = 0;
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(source.Get(), buffer.data(), kCopyChunkBytes, &read, nullptr)) {
                error = GetLastError();
                break;
            }
            if (read == 0) break;
            DWORD written = 0;
            if (!WriteFile(target.Get(), buffer.data(), read, &written, nullptr) || written != read) {
                error = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
                break;
            }
            copied += read;
            // Long files keep the window answering and can be cancelled between pieces.
            if (copied < state.size && copied % (8ull * kCopyChunkBytes) == 0 && !Step(from)) {
                --done_;
                error = ERROR_CANCELLED;
                break;
            }
        }
        if (!error) {
            FILETIME created{}, accessed{}, written{};
            if (GetFileTime(source.Get(), &created, &accessed, &written)) {
                SetFileTime(target.Get(), &created, &accessed, &written);
            }
            LARGE_INTEGER size{};
            if (!GetFileSizeEx(target.Get(), &size) || static_cast<ULONGLONG>(size.QuadPart) != copied) {
                error = ERROR_FILE_CORRUPT;
            }
        }
        copiedBytes = copied;
    }
    // Verified against the source as it is now: a file that changed while it
    // was read is not taken as copied.
    WIN32_FILE_ATTRIBUTE_DATA now{};
    if (!error && (!GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &now) ||
                   ((static_cast<ULONGLONG>(now.nFileSizeHigh) << 32) | now.nFileSizeLow) != copiedBytes)) {
        error = ERROR_FILE_CORRUPT;
    }
    if (!error && !MoveFileExW(temp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) error = GetLastError();
    if (error) {
        DeleteFileW(temp.c_str());
        return error;
    }
    // The copy keeps the source's protection and marks.
    const DWORD kept = state.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    if (kept) SetFileAttributesW(to.c_str(), kept);
    return 0;
}

// Makes room for a file at `to`, which holds `existing`: asks, then removes a
// link there (so that nothing is written through it).
DWORD FileOperation::ReplaceFile(const std::wstring& to, const EntryState& existing) {
    if (existing.kind == EntryKind::Folder) return Fail(FailureFormat(), to, ERROR_DIRECTORY);
    if (existing.kind == EntryKind::Ambiguous) return Fail(FailureFormat(), to, ERROR_INVALID_NAME);
    Answer answer = AskReplace(to, false);
    if (answer == Answer::Cancel) return ERROR_CANCELLED;
    if (answer == Answer::No) return ERROR_ALREADY_EXISTS;
    if (existing.kind == EntryKind::Link) {
        if (DWORD error = RemoveLink(to, existing)) return Fail(FailureFormat(), to, error);
    }
    return 0;
}

DWORD FileOperation::Copy(const std::wstring& from, const EntryState& state, const std::wstring& to) {
    if (!Step(from)) return ERROR_CANCELLED;
    if (state.kind == EntryKind::Ambiguous) {
        WideString pattern;
        WideString name;
        if (pattern.Load(IDS_FILEOP_SKIPPED_NAME) && name.Format(pattern, DisplayPath(from, kShownPathLength).c_str())) {
            skipped_.push_back(name.c_str());
        }
        return 0;
    }
    EntryState existing;
    if (DWORD error = InspectEntry(to, &existing)) return Fail(IDS_FILEOP_COPY_FAILED, to, error);
    if (state.kind == EntryKind::Folder) {
        if (existing.kind != EntryKind::Missing && existing.kind != EntryKind::Folder) {
            return Fail(IDS_FILEOP_COPY_FAILED, to, ERROR_DIRECTORY);
        }
        if (existing.kind == EntryKind::Folder) {
            Answer answer = AskReplace(to, true);
            if (answer == Answer::Cancel) return ERROR_CANCELLED;
            if (answer == Answer::No) return 0;
        } else if (!CreateDirectoryW(to.c_str(), nullptr)) {
            return Fail(IDS_FILEOP_COPY_FAILED, to, GetLastError());
        }
        std::vector<EntryState> entries;
        if (DWORD error = ListFolder(from, &entries)) return Fail(IDS_FILEOP_COPY_FAILED, from, error);
        for (const EntryState& entry : entries) {
            DWORD error = Copy(JoinName(from, entry.diskName), entry, JoinName(to, entry.diskName));
            if (error) return error;
        }
        if (state.attributes & FILE_ATTRIBUTE_READONLY) {
            SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
        }
        return 0;
    }
    if (existing.kind != EntryKind::Missing) {
        DWORD error = ReplaceFile(to, existing);
        if (error == ERROR_ALREADY_EXISTS) return 0;
        if (error) return error;
    }
    if (state.kind == EntryKind::Link) {
        // A link is copied as a link, never as what it points to.
        if (CopyLink(from, to) == 0) return 0;
        WideString pattern;
        WideString name;
        if (pattern.Load(IDS_FILEOP_SKIPPED_LINK) && name.Format(pattern, DisplayPath(from, kShownPathLength).c_str())) {
            skipped_.push_back(name.c_str());
        }
        return 0;
    }
    DWORD error = CopyFileData(from, state, to);
    if (error == ERROR_CANCELLED) return error;
    if (error) return Fail(IDS_FILEOP_COPY_FAILED, from, error);
    return 0;
}

// Moves the contents of `from` into the existing folder `to`, then removes
// `from` once it is empty.
DWORD FileOperation::MergeFolder(const std::wstring& from, const std::wstring& to) {
    std::vector<EntryState> entries;
    if (DWORD error = ListFolder(from, &entries)) return Fail(IDS_FILEOP_MOVE_FAILED, from, error);
    for (const EntryState& entry : entries) {
        if (DWORD error = Move(JoinName(from, entry.diskName), entry, JoinName(to, entry.diskName))) return error;
    }
    if (declined_ || !skipped_.empty()) return 0;
    if (!RemoveDirectoryW(from.c_str())) return Fail(IDS_FILEOP_MOVE_FAILED, from, GetLastError());
    return 0;
}

DWORD FileOperation::Move(const std::wstring& from, const EntryState& state, const std::wstring& to) {
    if (!Step(from)) return ERROR_CANCELLED;
    if (state.kind == EntryKind::Ambiguous) return Fail(IDS_FILEOP_MOVE_FAILED, from, ERROR_INVALID_NAME);
    EntryState existing;
    if (DWORD error = InspectEntry(to, &existing)) return Fail(IDS_FILEOP_MOVE_FAILED, to, error);
    if (existing.kind == EntryKind::Folder && state.kind == EntryKind::Folder) {
        Answer answer = AskReplace(to, true);
        if (answer == Answer::Cancel) return ERROR_CANCELLED;
        if (answer == Answer::No) return 0;
        several_ = true;
        return MergeFolder(from, to);
    }
    if (existing.kind != EntryKind::Missing) {
        if (state.kind == EntryKind::Folder) return Fail(IDS_FILEOP_MOVE_FAILED, to, ERROR_ALREADY_EXISTS);
        DWORD error = ReplaceFile(to, existing);
        if (error == ERROR_ALREADY_EXISTS) return 0;
        if (error) return error;
    }
    DWORD error = 0;
    if (state.kind == EntryKind::Link) {
        error = RenameLink(from, to);
    } else if (!MoveFileExW(from.c_str(), to.c_str(), existing.kind == EntryKind::File ? MOVEFILE_REPLACE_EXISTING : 0)) {
        error = GetLastError();
    }
    if (error != ERROR_NOT_SAME_DEVICE) return error ? Fail(IDS_FILEOP_MOVE_FAILED, from, error) : 0;

    // Across volumes: a whole copy first, then the source, only when every
    // item reached the destination.
    if (state.kind == EntryKind::Link && !UnixHostAvailable()) {
        return Fail(IDS_FILEOP_MOVE_FAILED, from, ERROR_NOT_SAME_DEVICE);
    }
    const size_t skippedBefore = skipped_.size();
    const UINT function = function_;
    function_ = FO_COPY;
    if (state.kind == EntryKind::Folder) several_ = true;
    error = Copy(from, state, to);
    function_ = function;
    if (error) return error;
    if (skipped_.size() != skippedBefore || declined_) {
        WideString text;
        WideString pattern;
        if (pattern.Load(IDS_FILEOP_MOVE_KEPT) && text.Format(pattern, DisplayPath(from, kShownPathLength).c_str())) {
            Tell(text, MB_ICONWARNING);
        }
        aborted_ = true;
        return ERROR_CANCELLED;
    }
    const UINT moving = function_;
    function_ = FO_DELETE;
    error = Delete(from, state);
    function_ = moving;
    return error;
}

DWORD FileOperation::Run(const wchar_t* fromPath, const wchar_t* toPath) {
    std::wstring from;
    std::wstring to;
    if (DWORD error = ExtendedPath(fromPath, &from)) return Fail(FailureFormat(), fromPath ? fromPath : L"", error);
    if (function_ != FO_DELETE) {
        if (DWORD error = ExtendedPath(toPath, &to)) return Fail(FailureFormat(), toPath ? toPath : L"", error);
        if (DWORD error = CheckEntryName(LastName(to), false)) return Fail(FailureFormat(), to, error);
    }
    EntryState state;
    if (DWORD error = InspectEntry(from, &state)) return Fail(FailureFormat(), from, error);
    if (state.kind == EntryKind::Missing) return Fail(FailureFormat(), from, ERROR_FILE_NOT_FOUND);
    if (state.kind == EntryKind::Ambiguous) {
        return Refuse(IDS_FILEOP_AMBIGUOUS, from, ERROR_INVALID_NAME);
    }
    if (function_ != FO_DELETE) {
        // Neither onto itself nor into itself, also when reached through a link.
        const std::wstring sourceFinal = state.kind == EntryKind::Link ? from : FinalPathOf(from);
        const std::wstring targetFolder = FinalPathOf(ParentPath(to));
        const std::wstring target = JoinName(targetFolder.empty() ? ParentPath(to) : targetFolder, LastName(to));
        if (SamePath(from, to) || SamePath(sourceFinal, target)) {
            return Refuse(IDS_FILEOP_SAME, from, ERROR_INVALID_PARAMETER);
        }
        if (state.kind == EntryKind::Folder &&
            (IsInsideFolder(to, from) || (!sourceFinal.empty() && IsInsideFolder(target, sourceFinal)))) {
            return Refuse(IDS_FILEOP_INTO_ITSELF, from, ERROR_INVALID_PARAMETER);
        }
        if (targetFolder.empty()) return Fail(FailureFormat(), ParentPath(to), ERROR_PATH_NOT_FOUND);
    }
    if (state.kind == EntryKind::Folder) {
        several_ = true;
        CountEntries(from);
        ++total_;
    } else {
        total_ = 1;
    }
    switch (function_) {
    case FO_DELETE:
        return Delete(from, state);
    case FO_COPY:
        return Copy(from, state, to);
    case FO_MOVE:
        return Move(from, state, to);
    default:
        return ERROR_INVALID_FUNCTION;
    }
}

// What the user is told once the work ends: the items left out, or what a
// cancel left done.
void FileOperation::Finish() {
    if (cancelled_ && !failed_) {
        WideString text;
        WideString pattern;
        const int done = done_ > 0 ? done_ - 1 : 0;
        if (pattern.Load(IDS_FILEOP_CANCELLED) && text.Format(pattern, done)) Tell(text, MB_ICONINFORMATION);
        return;
    }
    if (skipped_.empty()) return;
    std::wstring list;
    for (size_t i = 0; i < skipped_.size() && i < kSkippedNamesShown; ++i) list += skipped_[i] + L"\n";
    if (skipped_.size() > kSkippedNamesShown) list += L"...";
    WideString text;
    WideString pattern;
    if (pattern.Load(IDS_FILEOP_SKIPPED) && text.Format(pattern, list.c_str())) Tell(text, MB_ICONWARNING);
}

int RunFileOperation(SHFILEOPSTRUCTW* operation) {
    operation->fAnyOperationsAborted = FALSE;
    if (!operation->pFrom || (operation->wFunc != FO_DELETE && !operation->pTo)) return ERROR_INVALID_PARAMETER;
    if (operation->wFunc != FO_DELETE && operation->wFunc != FO_COPY && operation->wFunc != FO_MOVE) {
        return ERROR_INVALID_FUNCTION;
    }
    FileOperation work(operation->hwnd, operation->wFunc, operation->fFlags);
    DWORD result = 0;
    const wchar_t* to = operation->pTo;
    for (const wchar_t* from = operation->pFrom; *from && !result; from = NextInList(from)) {
        result = work.Run(from, to);
        if (to && *to) to = NextInList(to);
    }
    work.Finish();
    if (work.Aborted()) {
        operation->fAnyOperationsAborted = TRUE;
        if (!result) result = ERROR_CANCELLED;
    }
    return static_cast<int>(result);
}

}  // namespace

void SetFileOperationHook(FileOperationHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_fileOperationHook = hook;
    g_fileOperationContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

void SetFileProgressHook(FileProgressHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_progressHook = hook;
    g_progressContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

void SetDiskSpaceHook(DiskSpaceHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_diskSpaceHook = hook;
    g_diskSpaceContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

int DeviceFileOperation(SHFILEOPSTRUCTW* operation) {
    if (!operation) return ERROR_INVALID_PARAMETER;
    AcquireSRWLockShared(&g_hookLock);
    FileOperationHook hook = g_fileOperationHook;
    void* context = g_fileOperationContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) {
        int result = 0;
        if (hook(operation, &result, context)) return result;
    }
    return RunFileOperation(operation);
}

DWORD DeviceRenameEntry(const wchar_t* path, const wchar_t* newName) {
    if (!newName) return ERROR_INVALID_NAME;
    std::wstring from;
    if (DWORD error = ExtendedPath(path, &from)) return error;
    const std::wstring name(newName);
    if (DWORD error = CheckEntryName(name, true)) return error;
    EntryState state;
    if (DWORD error = InspectEntry(from, &state)) return error;
    if (state.kind == EntryKind::Missing) return ERROR_FILE_NOT_FOUND;
    if (state.kind == EntryKind::Ambiguous) return ERROR_INVALID_NAME;
    const std::wstring to = JoinName(ParentPath(from), name);
    if (state.diskName == name) return 0;
    const bool caseOnly = SamePath(state.diskName, name);
    EntryState existing;
    if (!caseOnly && InspectEntry(to, &existing) == 0 && existing.kind != EntryKind::Missing) {
        return ERROR_ALREADY_EXISTS;
    }
    auto rename = [&](const std::wstring& a, const std::wstring& b) -> DWORD {
        if (state.kind == EntryKind::Link) return RenameLink(a, b);
        return MoveFileExW(a.c_str(), b.c_str(), 0) ? 0 : GetLastError();
    };
    if (caseOnly) {
        // The platform takes "a.txt" -> "A.TXT" for the same name and changes
        // nothing: the name goes through a temporary one.
        wchar_t tempName[64];
        wsprintfW(tempName, L"~bvxname-%lu.tmp", GetCurrentProcessId());
        const std::wstring temp = JoinName(ParentPath(from), tempName);
        if (DWORD error = rename(from, temp)) return error;
        if (DWORD error = rename(temp, to)) {
            rename(temp, from);
            return error;
        }
    } else if (DWORD error = rename(from, to)) {
        return error;
    }
    // The disk must hold exactly the name asked for.
    EntryState after;
    if (InspectEntry(to, &after) != 0 || after.kind == EntryKind::Missing || after.diskName != name) {
        return ERROR_INVALID_NAME;
    }
    return 0;
}

bool DeviceFailureReason(DWORD error, wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    UINT id = 0;
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        id = IDS_REASON_ACCESS;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        id = IDS_REASON_IN_USE;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        id = IDS_REASON_DISK_FULL;
        break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        id = IDS_REASON_NOT_FOUND;
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        id = IDS_NAME_TOO_LONG;
        break;
    case ERROR_DIRECTORY:
        id = IDS_REASON_KIND_DIFFERS;
        break;
    case ERROR_WRITE_PROTECT:
        id = IDS_REASON_WRITE_PROTECT;
        break;
    case ERROR_DIR_NOT_EMPTY:
        id = IDS_REASON_NOT_EMPTY;
        break;
    case ERROR_FILE_CORRUPT:
        id = IDS_REASON_VERIFY;
        break;
    case ERROR_INVALID_NAME:
        id = IDS_REASON_BAD_NAME;
        break;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        id = IDS_REASON_EXISTS;
        break;
    case ERROR_NOT_SAME_DEVICE:
        id = IDS_REASON_CROSS_DEVICE;
        break;
    default:
        break;
    }
    WideString text;
    bool made = id ? text.Load(id) : false;
    if (!made) {
        WideString pattern;
        made = pattern.Load(IDS_REASON_OTHER) && text.Format(pattern, static_cast<unsigned long>(error));
    }
    if (!made) return false;
    lstrcpynW(buffer, text, static_cast<int>(capacity));
    return true;
}

bool DeviceGetDiskFreeSpace(const wchar_t* folder, DiskSpace* space) {
    if (!folder || !space) return false;
    AcquireSRWLockShared(&g_hookLock);
    DiskSpaceHook hook = g_diskSpaceHook;
    void* context = g_diskSpaceContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) return hook(folder, space, context);
    return GetDiskFreeSpaceExW(folder, &space->freeToCaller, &space->total, &space->totalFree) != FALSE;
}

}  // namespace brevitex
