// Loading a text file through a read-only mapping, and saving one: a new file
// is created directly; an existing one is written in place, with a backup copy
// that puts it back as it was when the save fails.
#include "document/TextFile.h"

#include <windows.h>

#include <cwchar>

#include "document/BufferedFile.h"
#include "document/RecoveryFile.h"
#include "document/TextCodec.h"

namespace brevitex {

namespace {

constexpr DWORD kReadAccess = GENERIC_READ;
constexpr DWORD kReadWriteAccess = GENERIC_READ | GENERIC_WRITE;
constexpr int kTempNameAttempts = 64;

// A mapped read-only view of a file, unmapped on destruction.
class MappedView {
public:
    explicit MappedView(HANDLE file, const ULARGE_INTEGER& size) {
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, size.HighPart, size.LowPart, nullptr);
        if (!mapping) return;
        view_ = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        // The view keeps the mapping alive.
        CloseHandle(mapping);
    }
    ~MappedView() {
        if (view_) UnmapViewOfFile(view_);
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    const unsigned char* Bytes() const { return static_cast<const unsigned char*>(view_); }

private:
    void* view_ = nullptr;
};

// A file handle closed on destruction.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (IsOpen()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Writes all bytes straight to the file at its file pointer, in calls the
// platform can take.
bool WriteRaw(HANDLE file, const unsigned char* bytes, uint64_t size) {
    constexpr uint64_t kChunk = 64u << 20;
    while (size > 0) {
        DWORD length = static_cast<DWORD>(size < kChunk ? size : kChunk);
        DWORD written = 0;
        if (!WriteFile(file, bytes, length, &written, nullptr) || written != length) return false;
        bytes += length;
        size -= length;
    }
    return true;
}

// Removes the backup copies in the folder that a process of this program,
// gone now, left when it ended in the middle of a save ("~bvx<pid>-<n>.tmp").
void RemoveStaleBackups(const WideString& folder) {
    WideString pattern = folder;
    if (!pattern.Append(L"~bvx*-*.tmp")) return;
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        wchar_t* end = nullptr;
        const unsigned long id = wcstoul(data.cFileName + 4, &end, 10);
        if (!end || *end != L'-' || ProcessMayRun(id)) continue;
        WideString stale = folder;
        if (stale.Append(data.cFileName)) DeleteFileW(stale);
    } while (FindNextFileW(search, &data));
    FindClose(search);
}

// A new file with a temporary name in the folder (ending in a separator, or
// empty for the current one), opened for writing; its name, which carries this
// process's id, comes back in tempPath.
HANDLE CreateTempIn(const WideString& folder, WideString& tempPath) {
    DWORD seed = GetTickCount() ^ (GetCurrentThreadId() << 16);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        wchar_t name[48];
        _snwprintf(name, 48, L"~bvx%lu-%08lX.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                   static_cast<unsigned long>(seed + attempt * 7919u));
        name[47] = 0;
        WideString candidate = folder;
        if (!candidate.Append(name)) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            tempPath = candidate;
            return file;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// The folder part of a path, with its final separator.
WideString FolderOf(const wchar_t* path) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    const wchar_t* other = wcsrchr(path, L'/');
    if (!slash || (other && other > slash)) slash = other;
    return WideString(path, slash ? static_cast<int>(slash - path) + 1 : 0);
}

// A copy of a file's bytes taken before the file is written over, so that a
// failed save can put them back. The copy lives in the program's backup
// folder, else beside the file, else in the temporary folder; it is removed
// on destruction unless a failed restore made it the only copy left.
class Backup {
public:
    Backup() = default;
    ~Backup() {
        if (!path_.IsEmpty() && !keep_) DeleteFileW(path_.c_str());
    }
    Backup(const Backup&) = delete;
    Backup& operator=(const Backup&) = delete;

    // Copies the bytes of the open file that path names, beside it or, where
    // that fails, in the temporary folder.
    bool Make(const wchar_t* path, HANDLE original) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(original, &size) || size.QuadPart < 0) return false;
        size_ = static_cast<uint64_t>(size.QuadPart);
        if (size_ == 0) return true;
        ULARGE_INTEGER mappingSize;
        mappingSize.QuadPart = size_;
        MappedView view(original, mappingSize);
        if (!view.Bytes()) return false;
        // The program's own folder first: a copy left there by a crash is
        // never left in the user's folder. Copies a crashed save left go.
        RemoveStaleBackups(FolderOf(path));
        WideString own;
        if (BackupFolder(&own, true) && own.Append(L"\\")) {
            RemoveStaleBackups(own);
            if (WriteCopy(own, view.Bytes())) return true;
        }
        if (WriteCopy(FolderOf(path), view.Bytes())) return true;
        wchar_t temp[MAX_PATH + 1];
        DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        return length > 0 && length <= MAX_PATH && WriteCopy(WideString(temp), view.Bytes());
    }

    // Writes the saved bytes back over the file and cuts it to their length.
    bool RestoreInto(HANDLE original) {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(original, start, nullptr, FILE_BEGIN)) return Fail();
        if (size_ > 0) {
            FileHandle copy(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!copy.IsOpen()) return Fail();
            ULARGE_INTEGER mappingSize;
            mappingSize.QuadPart = size_;
            MappedView view(copy.Get(), mappingSize);
            if (!view.Bytes() || !WriteRaw(original, view.Bytes(), size_)) return Fail();
        }
        if (!SetEndOfFile(original) || !FlushFileBuffers(original)) return Fail();
        return true;
    }

private:
    bool WriteCopy(const WideString& folder, const unsigned char* bytes) {
        WideString copyPath;
        bool written = false;
        {
            FileHandle copy(CreateTempIn(folder, copyPath));
            if (!copy.IsOpen()) return false;
            written = WriteRaw(copy.Get(), bytes, size_);
        }
        if (written) {
            path_ = copyPath;
            return true;
        }
        DeleteFileW(copyPath.c_str());
        return false;
    }

    bool Fail() {
        keep_ = true;
        return false;
    }

    WideString path_;
    uint64_t size_ = 0;
    bool keep_ = false;
};

bool WriteAll(BufferedFile& file, const ByteString& bytes) {
    if (bytes.IsEmpty()) return true;
    uint32_t length = static_cast<uint32_t>(bytes.Length());
    return file.Write(bytes.c_str(), length) == length;
}

// A file that does not exist yet is created with the bytes; a failure leaves no file.
bool WriteNewFile(const wchar_t* path, const ByteString& bom, const ByteString& body) {
    BufferedFile file;
    if (!file.Open(path, kReadWriteAccess, CREATE_NEW)) return false;
    bool written = WriteAll(file, bom) && WriteAll(file, body);
    if (file.Close() && written) return true;
    DeleteFileW(path);
    return false;
}

// An existing file is written in place, so that it stays the same file with
// its owner, permissions, links and streams; a file that may not be written
// fails to open and nothing changes. Any failure once writing has begun puts
// the backup's bytes back.
bool OverwriteFile(const wchar_t* path, const ByteString& bom, const ByteString& body) {
    BufferedFile file;
    if (!file.Open(path, kReadWriteAccess, OPEN_EXISTING)) return false;
    Backup backup;
    if (!backup.Make(path, file.Handle())) return false;
    bool written = WriteAll(file, bom) && WriteAll(file, body) && file.SetEnd() && FlushFileBuffers(file.Handle());
    if (!written) {
        file.DiscardBuffer();
        backup.RestoreInto(file.Handle());
        file.Close();
        return false;
    }
    return file.Close();
}

FileStamp MakeStamp(const FILETIME& lastWrite, DWORD sizeHigh, DWORD sizeLow) {
    FileStamp stamp;
    stamp.lastWrite = (uint64_t{lastWrite.dwHighDateTime} << 32) | lastWrite.dwLowDateTime;
    stamp.size = (uint64_t{sizeHigh} << 32) | sizeLow;
    stamp.known = true;
    return stamp;
}

}  // namespace

FileStamp ReadFileStamp(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path || !*path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return FileStamp{};
    return MakeStamp(data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow);
}

bool LoadTextFile(const wchar_t* path, WideString& text, TextEncoding& encoding, bool& hasBom, LoadFacts* facts) {
    if (!path || !*path) return false;
    BufferedFile file;
    if (!file.Open(path, kReadAccess, OPEN_EXISTING)) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Handle(), &info)) return false;
    const FileStamp stamp = MakeStamp(info.ftLastWriteTime, info.nFileSizeHigh, info.nFileSizeLow);
    // Text of 4 GiB or more cannot be held; loading part of it would lose the rest on saving.
    if (stamp.size > UINT32_MAX) return false;
    if (facts) {
        *facts = LoadFacts{};
        facts->stamp = stamp;
    }
    if (stamp.size == 0) {
        text.Empty();
        return true;
    }
    ULARGE_INTEGER mappingSize;
    mappingSize.QuadPart = stamp.size;
    MappedView view(file.Handle(), mappingSize);
    if (!view.Bytes()) return false;
    const size_t size = static_cast<size_t>(stamp.size);
    bool foundBom = false;
    if (!DecodeText(view.Bytes(), size, CP_ACP, text, encoding, foundBom)) return false;
    hasBom = hasBom || foundBom;
    // Text the file's bytes do not come back from (binary data, bytes the code
    // page does not hold) is reported, so that it is not saved unawares.
    if (facts && !DecodesExactly(view.Bytes(), size, CP_ACP, text, encoding, foundBom)) {
        facts->exact = false;
        facts->standIns = CountStandIns(view.Bytes(), size, text, encoding);
        facts->oddByte = encoding == TextEncoding::Utf16 && (size - (foundBom ? 2 : 0)) % 2 != 0;
    }
    return true;
}

bool SaveTextFile(const wchar_t* path, const WideString& text, TextEncoding& encoding, bool& writeBom,
                  FileStamp* stamp) {
    if (!path || !*path) return false;
    DWORD originalAttributes = GetFileAttributesW(path);
    if (originalAttributes != INVALID_FILE_ATTRIBUTES && (originalAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }

    // Everything is encoded before the file system is touched.
    TextEncoding usedEncoding = encoding;
    bool usedBom = writeBom;
    ByteString bom;
    ByteString body;
    if (!EncodeText(text, CP_ACP, usedEncoding, usedBom, bom, body)) return false;

    bool saved = originalAttributes == INVALID_FILE_ATTRIBUTES ? WriteNewFile(path, bom, body)
                                                                 : OverwriteFile(path, bom, body);
    if (!saved) return false;
    if (stamp) *stamp = ReadFileStamp(path);
    encoding = usedEncoding;
    writeBom = usedBom;
    return true;
}

}  // namespace brevitex
