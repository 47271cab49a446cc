// The platform's shared system icon lists, a file's small icon index and its
// type name, all from the shell's file-info query.
#include "device/DeviceShell.h"

#include <shellapi.h>

#include <string>

namespace brevitex {

namespace {

// The shell parses full paths only: a device path ("\\dir\\file", rooted at
// the current drive) is given its drive first.
std::wstring ShellPath(const wchar_t* path) {
    DWORD length = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path, length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return full;
}

}  // namespace

HIMAGELIST DeviceSystemImageList(bool large) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof(info), flags));
}

int DeviceFileIconIndex(const wchar_t* path, DWORD attributes) {
    if (!path || !*path) return 0;
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        attributes = 0;
    } else {
        flags |= SHGFI_USEFILEATTRIBUTES;
    }
    if (!SHGetFileInfoW(ShellPath(path).c_str(), attributes, &info, sizeof(info), flags)) return 0;
    return info.iIcon;
}

bool DeviceFileTypeName(const wchar_t* path, DWORD attributes, wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    if (!path || !*path) return false;
    SHFILEINFOW info{};
    UINT flags = SHGFI_TYPENAME;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        attributes = 0;
    } else {
        flags |= SHGFI_USEFILEATTRIBUTES;
    }
    if (!SHGetFileInfoW(ShellPath(path).c_str(), attributes, &info, sizeof(info), flags) || !info.szTypeName[0]) {
        return false;
    }
    lstrcpynW(buffer, info.szTypeName, static_cast<int>(capacity));
    return true;
}

}  // namespace brevitex
