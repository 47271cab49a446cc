// Loading a text file through a read-only mapping, and saving one through a
// temporary file in the same folder that replaces the original only once every
// byte has been written.
#include "document/TextFile.h"

#include <windows.h>

#include <cwchar>

#include "document/BufferedFile.h"
#include "document/TextCodec.h"

namespace brevitex {

namespace {

constexpr DWORD kReadAccess = GENERIC_READ;
constexpr DWORD kReadWriteAccess = GENERIC_READ | GENERIC_WRITE;
constexpr int kTempNameAttempts = 64;
constexpr DWORD kRestorableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

// A new temporary file beside path, opened for writing into `file`; its name
// comes back in `tempPath`.
bool CreateTempBeside(const wchar_t* path, BufferedFile& file, WideString& tempPath) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    const wchar_t* other = wcsrchr(path, L'/');
    if (!slash || (other && other > slash)) slash = other;
    int folderLength = slash ? static_cast<int>(slash - path) + 1 : 0;
    DWORD seed = GetTickCount() ^ (GetCurrentThreadId() << 16);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        wchar_t name[32];
        _snwprintf(name, 32, L"~bvx%08lX.tmp", static_cast<unsigned long>(seed + attempt * 7919u));
        name[31] = 0;
        WideString candidate(path, folderLength);
        if (!candidate.Append(name)) return false;
        if (file.Open(candidate.c_str(), kReadWriteAccess, CREATE_NEW)) {
            tempPath = candidate;
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool WriteAll(BufferedFile& file, const ByteString& bytes) {
    if (bytes.IsEmpty()) return true;
    uint32_t length = static_cast<uint32_t>(bytes.Length());
    return file.Write(bytes.c_str(), length) == length;
}

}  // namespace

bool LoadTextFile(const wchar_t* path, WideString& text, TextEncoding& encoding, bool& hasBom) {
    if (!path || !*path) return false;
    BufferedFile file;
    if (!file.Open(path, kReadAccess, OPEN_EXISTING)) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Handle(), &size)) return false;
    // Text of 4 GiB or more cannot be held; loading part of it would lose the rest on saving.
    if (size.QuadPart < 0 || size.QuadPart > static_cast<LONGLONG>(UINT32_MAX)) return false;
    if (size.QuadPart == 0) {
        text.Empty();
        return true;
    }
    ULARGE_INTEGER mappingSize;
    mappingSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    MappedView view(file.Handle(), mappingSize);
    if (!view.Bytes()) return false;
    return DecodeText(view.Bytes(), static_cast<size_t>(size.QuadPart), text, encoding, hasBom);
}

bool SaveTextFile(const wchar_t* path, const WideString& text, TextEncoding& encoding, bool& writeBom) {
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
    if (!EncodeText(text, usedEncoding, usedBom, bom, body)) return false;

    BufferedFile file;
    WideString tempPath;
    if (!CreateTempBeside(path, file, tempPath)) return false;
    bool written = WriteAll(file, bom) && WriteAll(file, body);
    bool closed = file.Close();
    if (!written || !closed || !MoveFileExW(tempPath.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(tempPath.c_str());
        return false;
    }
    if (originalAttributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(path, originalAttributes & kRestorableAttributes);
    }
    encoding = usedEncoding;
    writeBom = usedBom;
    return true;
}

}  // namespace brevitex
