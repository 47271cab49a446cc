// Storage cards as a folder search: on the desktop, the existing folders named
// in BREVITEX_STORAGE_CARDS (device paths separated by ';'), which scripts/run
// fills with the removable media mounted under /media and /mnt.
#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "device/DeviceShell.h"

namespace brevitex {

namespace {

struct CardSearch {
    std::vector<std::wstring> names;
    size_t next = 0;
};

// The card paths of the environment, relative to the root: separators made
// '\', leading and trailing ones dropped, empty entries left out.
std::vector<std::wstring> CardNames() {
    std::vector<std::wstring> names;
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_STORAGE_CARDS", nullptr, 0);
    if (length == 0) return names;
    std::wstring text(length, L'\0');
    length = GetEnvironmentVariableW(L"BREVITEX_STORAGE_CARDS", text.data(), length);
    text.resize(length);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = text.substr(start, end - start);
        for (wchar_t& c : name) {
            if (c == L'/') c = L'\\';
        }
        size_t first = name.find_first_not_of(L'\\');
        size_t last = name.find_last_not_of(L'\\');
        if (first != std::wstring::npos) names.push_back(name.substr(first, last - first + 1));
        start = end + 1;
    }
    return names;
}

// Fills the find data of the next card that exists as a folder; false when none is left.
bool NextCard(CardSearch* search, WIN32_FIND_DATAW* data) {
    while (search->next < search->names.size()) {
        const std::wstring& name = search->names[search->next++];
        if (name.size() + 1 > MAX_PATH - 1) continue;  // "\" + name must fit a path
        WIN32_FILE_ATTRIBUTE_DATA found{};
        if (!GetFileAttributesExW((L"\\" + name).c_str(), GetFileExInfoStandard, &found)) continue;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        *data = WIN32_FIND_DATAW{};
        data->dwFileAttributes = found.dwFileAttributes;
        data->ftCreationTime = found.ftCreationTime;
        data->ftLastAccessTime = found.ftLastAccessTime;
        data->ftLastWriteTime = found.ftLastWriteTime;
        wcscpy(data->cFileName, name.c_str());
        return true;
    }
    return false;
}

}  // namespace

HANDLE DeviceFindFirstStorageCard(WIN32_FIND_DATAW* data) {
    if (!data) return INVALID_HANDLE_VALUE;
    auto* search = new (std::nothrow) CardSearch;
    if (!search) return INVALID_HANDLE_VALUE;
    search->names = CardNames();
    if (!NextCard(search, data)) {
        delete search;
        SetLastError(ERROR_NO_MORE_FILES);
        return INVALID_HANDLE_VALUE;
    }
    return static_cast<HANDLE>(search);
}

bool DeviceFindNextStorageCard(HANDLE search, WIN32_FIND_DATAW* data) {
    if (!search || search == INVALID_HANDLE_VALUE || !data) return false;
    if (NextCard(static_cast<CardSearch*>(search), data)) return true;
    SetLastError(ERROR_NO_MORE_FILES);
    return false;
}

bool DeviceFindCloseStorageCard(HANDLE search) {
    if (!search || search == INVALID_HANDLE_VALUE) return false;
    delete static_cast<CardSearch*>(search);
    return true;
}

}  // namespace brevitex
