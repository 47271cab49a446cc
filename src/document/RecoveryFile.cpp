// The recovery copy's file: a fixed header, the path and the text as UTF-16,
// and a trailer holding a hash of everything before it.
#include "document/RecoveryFile.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>

#include "common/Handles.h"

namespace brevitex {

namespace {

constexpr char kMagic[8] = {'B', 'V', 'X', 'R', 'C', 'V', '0', '1'};
constexpr char kEndMagic[8] = {'B', 'V', 'X', 'E', 'N', 'D', '0', '1'};
constexpr wchar_t kExtension[] = L".bvxrec";
constexpr uint32_t kLongestPath = 32768;
// A copy larger than this is not a document of ours (512 Mi units, 1 GiB).
constexpr uint64_t kLongestText = 512ull * 1024 * 1024;

constexpr uint32_t kFlagBom = 0x1;
constexpr uint32_t kFlagExact = 0x2;
constexpr uint32_t kFlagStamp = 0x4;
constexpr uint32_t kFlagOddByte = 0x8;
constexpr uint32_t kFlagMixedBreaks = 0x10;
constexpr uint32_t kFlagAccepted = 0x20;

#pragma pack(push, 1)
struct Header {
    char magic[8];
    uint32_t headerBytes;
    uint32_t processId;
    uint64_t processStart;
    int32_t encoding;
    uint32_t flags;
    uint32_t lineBreak;
    uint32_t pathUnits;
    uint64_t textUnits;
    uint64_t stampWrite;
    uint64_t stampSize;
    int64_t standIns;
    int64_t savedLength;
    uint64_t savedHash;
};
struct Trailer {
    uint64_t hash;
    char magic[8];
};
#pragma pack(pop)

// FNV-1a, 64 bits.
class Hash {
public:
    void Add(const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < bytes; ++i) value_ = (value_ ^ p[i]) * 0x100000001b3ull;
    }
    uint64_t Value() const { return value_; }

private:
    uint64_t value_ = 0xcbf29ce484222325ull;
};

bool WriteAll(HANDLE file, const void* data, size_t bytes) {
    const auto* p = static_cast<const char*>(data);
    while (bytes > 0) {
        DWORD chunk = static_cast<DWORD>((std::min)(bytes, static_cast<size_t>(1) << 24));
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) return false;
        p += chunk;
        bytes -= chunk;
    }
    return true;
}

bool ReadAll(HANDLE file, void* data, size_t bytes) {
    auto* p = static_cast<char*>(data);
    while (bytes > 0) {
        DWORD chunk = static_cast<DWORD>((std::min)(bytes, static_cast<size_t>(1) << 24));
        DWORD read = 0;
        if (!ReadFile(file, p, chunk, &read, nullptr) || read != chunk) return false;
        p += chunk;
        bytes -= chunk;
    }
    return true;
}

bool ReadHeader(HANDLE file, Header* header) {
    return ReadAll(file, header, sizeof(*header)) && memcmp(header->magic, kMagic, sizeof(kMagic)) == 0 &&
           header->headerBytes == sizeof(Header) && header->pathUnits <= kLongestPath &&
           header->textUnits <= kLongestText;
}

bool ReadUnits(HANDLE file, uint64_t units, WideString* text, Hash* hash) {
    wchar_t* buffer = text->GetBuffer(static_cast<int>(units));
    if (!buffer) return false;
    bool read = ReadAll(file, buffer, static_cast<size_t>(units) * sizeof(wchar_t));
    if (read) hash->Add(buffer, static_cast<size_t>(units) * sizeof(wchar_t));
    text->ReleaseBuffer(read ? static_cast<int>(units) : 0);
    return read;
}

uint64_t FileTimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The process id and start a copy's name begins with ("<pid>-<start>-").
bool NameProcess(const wchar_t* name, DWORD* processId, uint64_t* processStart) {
    wchar_t* end = nullptr;
    unsigned long id = wcstoul(name, &end, 10);
    if (!end || *end != L'-') return false;
    wchar_t* after = nullptr;
    unsigned long long start = _wcstoui64(end + 1, &after, 16);
    if (!after || *after != L'-') return false;
    *processId = id;
    *processStart = start;
    return true;
}

}  // namespace

bool RecoveryFolder(WideString* folder, bool create) {
    wchar_t given[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_RECOVERY", given, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        *folder = given;
        if (create) CreateDirectoryW(given, nullptr);
    } else {
        wchar_t base[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                    SHGFP_TYPE_CURRENT, base))) {
            return false;
        }
        *folder = base;
        if (!folder->Append(L"\\Brevitex")) return false;
        if (create) CreateDirectoryW(*folder, nullptr);
        if (!folder->Append(L"\\Recovery")) return false;
        if (create) CreateDirectoryW(*folder, nullptr);
    }
    DWORD attributes = GetFileAttributesW(*folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool BackupFolder(WideString* folder, bool create) {
    WideString recovery;
    if (!RecoveryFolder(&recovery, create)) return false;
    // Beside the recovery folder: its parent, or the folder named for tests.
    wchar_t given[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_RECOVERY", given, MAX_PATH);
    WideString base = recovery;
    if (!(length > 0 && length < MAX_PATH)) {
        const wchar_t* slash = wcsrchr(recovery, L'\\');
        if (!slash) return false;
        base = WideString(recovery.c_str(), static_cast<int>(slash - recovery.c_str()));
    }
    *folder = base;
    if (!folder->Append(L"\\Backup")) return false;
    if (create) CreateDirectoryW(*folder, nullptr);
    DWORD attributes = GetFileAttributesW(*folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

uint64_t CurrentProcessStart() {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return FileTimeValue(created);
}

bool ProcessMayRun(DWORD processId) {
    if (processId == GetCurrentProcessId()) return true;
    UniqueHandleValue process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    // Only an id no process has is known to be gone; one that cannot be
    // opened may be another user's.
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD exitCode = 0;
    return !(GetExitCodeProcess(process.Get(), &exitCode) && exitCode != STILL_ACTIVE);
}

bool RecordProcessRuns(DWORD processId, uint64_t processStart) {
    if (processId == GetCurrentProcessId()) return processStart == CurrentProcessStart();
    UniqueHandleValue process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return ProcessMayRun(processId);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process.Get(), &exitCode) && exitCode != STILL_ACTIVE) return false;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process.Get(), &created, &exited, &kernel, &user)) return true;
    return FileTimeValue(created) == processStart;
}

bool WriteRecoveryFile(const wchar_t* path, const RecoveryRecord& record) {
    if (!path || record.path.Length() > static_cast<int>(kLongestPath) ||
        static_cast<uint64_t>(record.text.Length()) > kLongestText) {
        return false;
    }
    Header header{};
    memcpy(header.magic, kMagic, sizeof(kMagic));
    header.headerBytes = sizeof(Header);
    header.processId = record.processId;
    header.processStart = record.processStart;
    header.encoding = static_cast<int32_t>(record.encoding);
    header.flags = (record.writeBom ? kFlagBom : 0) | (record.loadedExactly ? kFlagExact : 0) |
                   (record.stamp.known ? kFlagStamp : 0) | (record.oddByte ? kFlagOddByte : 0) |
                   (record.mixedBreaks ? kFlagMixedBreaks : 0) | (record.changesAccepted ? kFlagAccepted : 0);
    header.standIns = record.standIns;
    header.savedLength = record.savedLength;
    header.savedHash = record.savedHash;
    header.lineBreak = static_cast<uint32_t>(record.lineBreak);
    header.pathUnits = static_cast<uint32_t>(record.path.Length());
    header.textUnits = static_cast<uint64_t>(record.text.Length());
    header.stampWrite = record.stamp.lastWrite;
    header.stampSize = record.stamp.size;
    Hash hash;
    hash.Add(&header, sizeof(header));
    hash.Add(record.path.c_str(), header.pathUnits * sizeof(wchar_t));
    hash.Add(record.text.c_str(), static_cast<size_t>(header.textUnits) * sizeof(wchar_t));
    Trailer trailer{hash.Value(), {}};
    memcpy(trailer.magic, kEndMagic, sizeof(kEndMagic));

    WideString temp(path);
    if (!temp.Append(L".tmp")) return false;
    bool written = false;
    {
        UniqueFile file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) return false;
        written = WriteAll(file.Get(), &header, sizeof(header)) &&
                  WriteAll(file.Get(), record.path.c_str(), header.pathUnits * sizeof(wchar_t)) &&
                  WriteAll(file.Get(), record.text.c_str(), static_cast<size_t>(header.textUnits) * sizeof(wchar_t)) &&
                  WriteAll(file.Get(), &trailer, sizeof(trailer)) && FlushFileBuffers(file.Get());
    }
    // Only a whole copy replaces the previous one.
    if (!written || !MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp);
        return false;
    }
    return true;
}

bool ReadRecoveryFile(const wchar_t* path, RecoveryRecord* record) {
    if (!path || !record) return false;
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    Header header{};
    if (!GetFileSizeEx(file.Get(), &size) || !ReadHeader(file.Get(), &header)) return false;
    const uint64_t expected = sizeof(Header) + (header.pathUnits + header.textUnits) * sizeof(wchar_t) + sizeof(Trailer);
    if (static_cast<uint64_t>(size.QuadPart) != expected) return false;
    Hash hash;
    hash.Add(&header, sizeof(header));
    RecoveryRecord read;
    Trailer trailer{};
    if (!ReadUnits(file.Get(), header.pathUnits, &read.path, &hash) ||
        !ReadUnits(file.Get(), header.textUnits, &read.text, &hash) || !ReadAll(file.Get(), &trailer, sizeof(trailer)) ||
        memcmp(trailer.magic, kEndMagic, sizeof(kEndMagic)) != 0 || trailer.hash != hash.Value()) {
        return false;
    }
    read.processId = header.processId;
    read.processStart = header.processStart;
    read.encoding = static_cast<TextEncoding>(header.encoding);
    read.writeBom = (header.flags & kFlagBom) != 0;
    read.loadedExactly = (header.flags & kFlagExact) != 0;
    read.lineBreak = static_cast<LineBreak>(header.lineBreak);
    read.stamp.known = (header.flags & kFlagStamp) != 0;
    read.stamp.lastWrite = header.stampWrite;
    read.stamp.size = header.stampSize;
    read.oddByte = (header.flags & kFlagOddByte) != 0;
    read.mixedBreaks = (header.flags & kFlagMixedBreaks) != 0;
    read.changesAccepted = (header.flags & kFlagAccepted) != 0;
    read.standIns = header.standIns;
    read.savedLength = header.savedLength;
    read.savedHash = header.savedHash;
    *record = std::move(read);
    return true;
}

std::vector<WideString> OrphanedRecoveryFiles() {
    std::vector<WideString> found;
    WideString folder;
    if (!RecoveryFolder(&folder, false)) return found;
    WideString pattern = folder;
    if (!pattern.Append(L"\\*")) return found;
    struct Entry {
        uint64_t written;
        WideString path;
    };
    std::vector<Entry> entries;
    WIN32_FIND_DATAW data{};
    UniqueFind search(FindFirstFileW(pattern, &data));
    if (!search) return found;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const size_t length = wcslen(data.cFileName);
        const size_t extension = wcslen(kExtension);
        DWORD processId = 0;
        uint64_t processStart = 0;
        if (!NameProcess(data.cFileName, &processId, &processStart)) continue;
        WideString path = folder;
        if (!path.Append(L"\\") || !path.Append(data.cFileName)) continue;
        // A temporary copy of a process that has gone was never finished.
        if (length > 4 && _wcsicmp(data.cFileName + length - 4, L".tmp") == 0) {
            if (!RecordProcessRuns(processId, processStart)) DeleteFileW(path);
            continue;
        }
        if (length <= extension || _wcsicmp(data.cFileName + length - extension, kExtension) != 0) continue;
        // The header, not the name, says whose copy it is.
        UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        Header header{};
        if (!file || !ReadHeader(file.Get(), &header)) continue;
        if (RecordProcessRuns(header.processId, header.processStart)) continue;
        entries.push_back({FileTimeValue(data.ftLastWriteTime), path});
    } while (FindNextFileW(search.Get(), &data));
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.written < b.written; });
    for (Entry& entry : entries) found.push_back(std::move(entry.path));
    return found;
}

WideString NewRecoveryFileName(const WideString& folder) {
    static std::atomic<uint32_t> serial{0};
    WideString name;
    name.Format(L"%s\\%lu-%016I64x-%lu%s", folder.c_str(), static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long long>(CurrentProcessStart()), static_cast<unsigned long>(++serial),
                kExtension);
    return name;
}

}  // namespace brevitex
