// The outbox of the device's short-message and phone libraries: where the
// records go, and appending one record as a UTF-8 line.
#include <cwchar>

#include "common/WideString.h"
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

// Appends a field with backslash, tab, CR and LF escaped.
bool AppendEscaped(WideString& line, const wchar_t* field) {
    const int length = field ? static_cast<int>(wcslen(field)) : 0;
    const int start = line.Length();
    wchar_t* out = line.GetBuffer(start + 2 * length);
    if (!out) return false;
    int at = start;
    for (int i = 0; i < length; ++i) {
        wchar_t c = field[i];
        const wchar_t escaped = c == L'\\' ? L'\\' : c == L'\t' ? L't' : c == L'\r' ? L'r' : c == L'\n' ? L'n' : 0;
        if (escaped) {
            out[at++] = L'\\';
            c = escaped;
        }
        out[at++] = c;
    }
    line.ReleaseBuffer(at);
    return true;
}

bool BuildRecord(WideString& line, const wchar_t* const* fields, int count) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (!line.Format(L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                     now.wSecond)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!line.Append(L"\t") || !AppendEscaped(line, fields[i])) return false;
    }
    return line.Append(L"\r\n");
}

// One write of the whole line at the end of the file, so records of two
// writers never interleave.
bool AppendUtf8(const wchar_t* path, const WideString& line) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, line.Length(), nullptr, 0, nullptr, nullptr);
    ByteString utf8;
    char* buffer = bytes > 0 ? utf8.GetBuffer(bytes) : nullptr;
    if (!buffer) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    WideCharToMultiByte(CP_UTF8, 0, line, line.Length(), buffer, bytes, nullptr, nullptr);
    utf8.ReleaseBuffer(bytes);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool whole = WriteFile(file, utf8.c_str(), static_cast<DWORD>(bytes), &written, nullptr) &&
                       written == static_cast<DWORD>(bytes);
    const DWORD error = whole ? ERROR_SUCCESS : (GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
    CloseHandle(file);
    SetLastError(error);
    return whole;
}

}  // namespace

bool DeviceOutboxFile(const wchar_t* fileName, wchar_t* buffer, UINT capacity) {
    if (!fileName || !buffer || capacity == 0) return false;
    wchar_t folder[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_OUTBOX", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        if (!DevicePersonalFolder(folder, MAX_PATH)) return false;
        length = static_cast<DWORD>(wcslen(folder));
    }
    const bool separator = length > 0 && folder[length - 1] != L'\\';
    const int written = _snwprintf(buffer, capacity, separator ? L"%ls\\%ls" : L"%ls%ls", folder, fileName);
    return written >= 0 && static_cast<UINT>(written) < capacity;
}

bool DeviceAppendOutboxRecord(const wchar_t* fileName, const wchar_t* const* fields, int count) {
    wchar_t path[MAX_PATH] = {};
    if (!DeviceOutboxFile(fileName, path, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    WideString line;
    if (!BuildRecord(line, fields, count)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return AppendUtf8(path, line);
}

}  // namespace brevitex
