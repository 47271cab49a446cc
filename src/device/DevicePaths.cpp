// Extended-length paths and the link and name checks of the device's file
// operations. On Wine a symbolic link to a folder carries the reparse-point
// attribute, but a link to a file looks like the file itself; it shows only
// in its final path, which names the target instead of the link.
#include "device/DevicePaths.h"

#include <vector>

#include "common/Handles.h"
#include "device/UnixHost.h"

namespace brevitex {

namespace {

constexpr size_t kLongestPath = 32000;
constexpr size_t kLongestName = 255;
const wchar_t kExtendedPrefix[] = L"\\\\?\\";
const wchar_t kExtendedUnc[] = L"\\\\?\\UNC\\";
constexpr wchar_t kReplacementCharacter = 0xFFFD;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The drive of the current directory ("Z:"); device paths lie on it.
std::wstring CurrentDrive() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length >= 2 && length <= MAX_PATH && folder[1] == L':') return std::wstring(folder, 2);
    wchar_t root[8] = {};
    if (GetFullPathNameW(L"\\", 8, root, nullptr) >= 2 && root[1] == L':') return std::wstring(root, 2);
    return L"C:";
}

}  // namespace

DWORD CheckEntryName(const std::wstring& name, bool typed) {
    if (name.empty() || name == L"." || name == L"..") return ERROR_INVALID_NAME;
    if (name.find_first_of(L"\\/*?") != std::wstring::npos) return ERROR_INVALID_NAME;
    if (typed && (name.back() == L'.' || name.back() == L' ')) return ERROR_INVALID_NAME;
    if (name.size() > kLongestName) return ERROR_FILENAME_EXCED_RANGE;
    if (UnixHostAvailable()) {
        int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr,
                                        nullptr);
        if (bytes <= 0 || static_cast<size_t>(bytes) > kLongestName) return ERROR_FILENAME_EXCED_RANGE;
    }
    return 0;
}

DWORD ExtendedPath(const wchar_t* path, std::wstring* extended) {
    extended->clear();
    if (!path || !*path) return ERROR_INVALID_NAME;
    std::wstring text(path);
    std::wstring root;
    size_t restAt = 0;
    if (StartsWith(text, kExtendedUnc)) {
        size_t server = text.find(L'\\', wcslen(kExtendedUnc));
        size_t share = server == std::wstring::npos ? server : text.find(L'\\', server + 1);
        restAt = share == std::wstring::npos ? text.size() : share;
        root = text.substr(0, restAt);
    } else if (StartsWith(text, kExtendedPrefix)) {
        if (text.size() < 6 || text[5] != L':') return ERROR_INVALID_NAME;
        root = text.substr(0, 6);
        restAt = 6;
    } else if (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') {
        size_t server = text.find(L'\\', 2);
        size_t share = server == std::wstring::npos ? server : text.find(L'\\', server + 1);
        restAt = share == std::wstring::npos ? text.size() : share;
        root = kExtendedUnc + text.substr(2, restAt - 2);
    } else if (text.size() >= 2 && text[1] == L':') {
        if (text.size() > 2 && text[2] != L'\\' && text[2] != L'/') return ERROR_INVALID_NAME;
        root = kExtendedPrefix + text.substr(0, 2);
        restAt = 2;
    } else if (text[0] == L'\\' || text[0] == L'/') {
        root = kExtendedPrefix + CurrentDrive();
        restAt = 0;
    } else {
        // Never a path relative to the working directory.
        return ERROR_INVALID_NAME;
    }

    std::vector<std::wstring> names;
    size_t at = restAt;
    while (at < text.size()) {
        size_t end = text.find_first_of(L"\\/", at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = text.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == L".") continue;
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
            continue;
        }
        if (name.find_first_of(L"*?") != std::wstring::npos) return ERROR_INVALID_NAME;
        if (name.size() > kLongestName) return ERROR_FILENAME_EXCED_RANGE;
        names.push_back(name);
    }
    std::wstring result = root;
    for (const std::wstring& name : names) result += L"\\" + name;
    if (names.empty()) result += L"\\";
    if (result.size() > kLongestPath) return ERROR_FILENAME_EXCED_RANGE;
    *extended = result;
    return 0;
}

std::wstring DisplayPath(const std::wstring& extended, size_t maxLength) {
    std::wstring path = extended;
    if (StartsWith(path, kExtendedUnc)) return L"\\\\" + path.substr(wcslen(kExtendedUnc));
    if (StartsWith(path, kExtendedPrefix)) path = path.substr(wcslen(kExtendedPrefix));
    const std::wstring drive = CurrentDrive();
    if (path.size() >= 2 && CompareStringOrdinal(path.data(), 2, drive.data(), 2, TRUE) == CSTR_EQUAL) {
        path = path.substr(2);
    }
    if (path.empty()) return L"\\";
    // A long path keeps its start and its end around an ellipsis, so that a
    // message stays readable on the device screen.
    if (maxLength >= 16 && path.size() > maxLength) {
        const size_t head = maxLength / 3;
        const size_t tail = maxLength - head - 1;
        path = path.substr(0, head) + L"\u2026" + path.substr(path.size() - tail);
    }
    return path;
}

std::wstring LastName(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ParentPath(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring parent = path.substr(0, slash);
    // "\\?\Z:" is a root and keeps its '\'.
    if (parent.size() >= 2 && parent.back() == L':') parent += L'\\';
    return parent;
}

std::wstring JoinName(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') return folder + name;
    return folder + L"\\" + name;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

bool IsInsideFolder(const std::wstring& path, const std::wstring& folder) {
    std::wstring prefix = folder;
    if (prefix.empty()) return false;
    if (prefix.back() != L'\\') prefix += L'\\';
    return path.size() >= prefix.size() && SamePath(path.substr(0, prefix.size()), prefix);
}

namespace {

// The object name of an open file as the kernel keeps it. This desktop's
// GetFinalPathNameByHandle gives up past MAX_PATH; the name it is made from
// has no such limit and reads "\??\C:\..." there (elsewhere a device name,
// which is not used).
std::wstring ObjectNameOf(HANDLE handle) {
    using QueryObject = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto query = ntdll ? reinterpret_cast<QueryObject>(GetProcAddress(ntdll, "NtQueryObject")) : nullptr;
    if (!query) return std::wstring();
    struct NameRecord {
        USHORT length;
        USHORT capacity;
        wchar_t* buffer;
    };
    constexpr int kObjectNameInformation = 1;
    std::vector<char> record(sizeof(NameRecord) + 70000);
    ULONG needed = 0;
    if (query(handle, kObjectNameInformation, record.data(), static_cast<ULONG>(record.size()), &needed) != 0) {
        return std::wstring();
    }
    const auto* name = reinterpret_cast<const NameRecord*>(record.data());
    if (!name->buffer || name->length < 8) return std::wstring();
    std::wstring text(name->buffer, name->length / sizeof(wchar_t));
    if (text.compare(0, 4, L"\\??\\") != 0) return std::wstring();
    text[1] = L'\\';
    return text;
}

}  // namespace

std::wstring FinalPathOf(const std::wstring& path) {
    UniqueFile handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::wstring();
    std::wstring final(512, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(handle.Get(), final.data(), static_cast<DWORD>(final.size()), 0);
        if (length == 0) {
            final = GetLastError() == ERROR_MORE_DATA ? ObjectNameOf(handle.Get()) : std::wstring();
            break;
        }
        if (length < final.size()) {
            final.resize(length);
            break;
        }
        final.resize(length + 1);
    }
    // A root keeps one '\'; anything else none at its end.
    if (final.size() > 7 && final.back() == L'\\') final.pop_back();
    return final;
}

bool ClassifyListedEntry(const std::wstring& folder, const std::wstring& folderFinal, const WIN32_FIND_DATAW& data,
                         EntryState* state) {
    state->attributes = data.dwFileAttributes;
    state->size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    state->diskName = data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        state->kind = EntryKind::Link;
        return true;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        state->kind = EntryKind::Folder;
        return true;
    }
    state->kind = EntryKind::File;
    if (!UnixHostAvailable()) return true;
    // A link to a file: its final path is the target's, not folder\name.
    if (folderFinal.empty()) return false;
    std::wstring final = FinalPathOf(JoinName(folder, data.cFileName));
    if (final.empty()) return false;
    if (!SamePath(final, JoinName(folderFinal, data.cFileName))) state->kind = EntryKind::Link;
    return true;
}

DWORD InspectEntry(const std::wstring& path, EntryState* state) {
    *state = EntryState();
    const std::wstring name = LastName(path);
    if (name.empty() || name.find_first_of(L"*?") != std::wstring::npos) return ERROR_INVALID_NAME;
    WIN32_FIND_DATAW data{};
    UniqueFind search(FindFirstFileW(path.c_str(), &data));
    if (!search) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES) return 0;
        return error;
    }
    const std::wstring folder = ParentPath(path);
    // A name the platform could not show exactly (bytes that are not UTF-8)
    // may stand for several entries; it is acted on only when it stands for one.
    if (name.find(kReplacementCharacter) != std::wstring::npos) {
        int matches = 0;
        WIN32_FIND_DATAW listed{};
        UniqueFind all(FindFirstFileW(JoinName(folder, L"*").c_str(), &listed));
        if (all) {
            do {
                if (CompareStringOrdinal(listed.cFileName, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) ++matches;
            } while (FindNextFileW(all.Get(), &listed));
        }
        if (matches != 1) {
            state->kind = EntryKind::Ambiguous;
            state->diskName = data.cFileName;
            return 0;
        }
    }
    const std::wstring folderFinal = UnixHostAvailable() ? FinalPathOf(folder) : std::wstring();
    if (!ClassifyListedEntry(folder, folderFinal, data, state)) return ERROR_ACCESS_DENIED;
    return 0;
}

}  // namespace brevitex
