// The personal documents folder ("我的文档") as a device path: a path from the
// device root ("\...") that the folder tree can select, never a drive letter.
#include <shlobj.h>

#include <cwchar>
#include <cwctype>

#include "device/DeviceShell.h"

namespace brevitex {

namespace {

bool IsFolder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyOut(const wchar_t* path, wchar_t* buffer, UINT capacity) {
    size_t length = wcslen(path);
    if (length == 0 || length + 1 > capacity) return false;
    wmemcpy(buffer, path, length + 1);
    return true;
}

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Under Wine the device root is the Unix root (the current drive is Z:), so the
// Unix home "/home/me" is the device path "\home\me".
// Wine keeps HOME out of a program's environment, but names the home in
// WINEHOMEDIR as an NT path ("\??\Z:\home\me"); on the current drive that is
// the device path "\home\me".
bool WineHomeFolder(wchar_t* path, size_t capacity) {
    wchar_t home[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"WINEHOMEDIR", home, MAX_PATH);
    if (length < 7 || length >= MAX_PATH || wcsncmp(home, L"\\??\\", 4) != 0 || home[5] != L':') return false;
    wchar_t current[MAX_PATH] = {};
    DWORD currentLength = GetCurrentDirectoryW(MAX_PATH, current);
    if (currentLength < 2 || currentLength >= MAX_PATH || current[1] != L':') return false;
    if (towupper(home[4]) != towupper(current[0]) || home[6] != L'\\') return false;
    const wchar_t* rest = home + 6;
    size_t restLength = wcslen(rest);
    if (restLength + 1 > capacity) return false;
    wmemcpy(path, rest, restLength + 1);
    while (restLength > 1 && path[restLength - 1] == L'\\') path[--restLength] = 0;
    return IsFolder(path);
}

bool UnixHomeFolder(wchar_t* path, size_t capacity) {
    wchar_t home[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"HOME", home, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || home[0] != L'/') return WineHomeFolder(path, capacity);
    if (length + 1 > capacity) return false;
    for (DWORD i = 0; i <= length; ++i) path[i] = home[i] == L'/' ? L'\\' : home[i];
    while (length > 1 && path[length - 1] == L'\\') path[--length] = 0;
    return IsFolder(path);
}

// Native Windows: the shell's documents folder, with the drive letter dropped
// when it is the current drive (device paths are rooted there).
bool ShellDocumentsFolder(wchar_t* path, size_t capacity) {
    wchar_t documents[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) {
        return false;
    }
    wchar_t current[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    if (length < 2 || length >= MAX_PATH || documents[1] != L':' || current[1] != L':') return false;
    if (towupper(documents[0]) != towupper(current[0])) return false;
    if (wcslen(documents + 2) + 1 > capacity) return false;
    wcscpy(path, documents + 2);
    return path[0] == L'\\';
}

}  // namespace

bool DevicePersonalFolder(wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_DOCUMENTS", path, MAX_PATH);
    if (length > 0 && length < MAX_PATH && path[0] == L'\\') return CopyOut(path, buffer, capacity);

    if (RunningUnderWine() && UnixHomeFolder(path, MAX_PATH)) {
        wchar_t documents[MAX_PATH] = {};
        if (_snwprintf(documents, MAX_PATH, L"%ls\\Documents", path) > 0 &&
            documents[MAX_PATH - 1] == 0 && IsFolder(documents)) {
            return CopyOut(documents, buffer, capacity);
        }
        return CopyOut(path, buffer, capacity);
    }
    if (ShellDocumentsFolder(path, MAX_PATH)) return CopyOut(path, buffer, capacity);
    return CopyOut(L"\\", buffer, capacity);
}

}  // namespace brevitex
