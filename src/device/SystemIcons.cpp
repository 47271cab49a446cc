// The platform's shared system icon lists, a file's small icon index and its
// type name, all from the shell's file-info query.
#include "device/DeviceShell.h"

#include <shellapi.h>

namespace brevitex {

HIMAGELIST DeviceSystemImageList(bool large) {
    SHFILEINFOW info{};
    UINT flags = SHGFI_SYSICONINDEX | (large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"", 0, &info, sizeof(info), flags));
}

int DeviceFileIconIndex(const wchar_t* path) {
    if (!path || !*path) return 0;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) return 0;
    return info.iIcon;
}

bool DeviceFileTypeName(const wchar_t* path, wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    if (!path || !*path) return false;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_TYPENAME) || !info.szTypeName[0]) return false;
    lstrcpynW(buffer, info.szTypeName, static_cast<int>(capacity));
    return true;
}

}  // namespace brevitex
