// The outbox of the device's short-message and phone libraries: where the
// records go, and appending one record as a UTF-8 line.
#include <climits>
#include <cwchar>

#include "common/WideString.h"
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

// A code unit that would break the record's line or its UTF-8 form: the C0
// and C1 controls, DEL, the line and paragraph separators, and a surrogate
// without its partner (which UTF-8 cannot carry).
bool NeedsCodeEscape(const wchar_t* field, int length, int i) {
    const wchar_t c = field[i];
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return true;
    if (c >= 0xD800 && c <= 0xDBFF) return i + 1 >= length || field[i + 1] < 0xDC00 || field[i + 1] > 0xDFFF;
    if (c >= 0xDC00 && c <= 0xDFFF) return i == 0 || field[i - 1] < 0xD800 || field[i - 1] > 0xDBFF;
    return false;
}

// Appends a field of length units (-1: up to its terminator) with backslash,
// tab, CR and LF written as \\, \t, \r and \n, and every other control or
// separator as \u and four hex digits.
bool AppendEscaped(WideString& line, const wchar_t* field, int length) {
    if (!field) length = 0;
    if (length < 0) length = static_cast<int>(wcslen(field));
    const int start = line.Length();
    constexpr int kLongestEscape = 6;
    if (length > (INT_MAX - 1 - start) / kLongestEscape) return false;
    wchar_t* out = line.GetBuffer(start + kLongestEscape * length);
    if (!out) return false;
    int at = start;
    for (int i = 0; i < length; ++i) {
        wchar_t c = field[i];
        const wchar_t escaped = c == L'\\' ? L'\\' : c == L'\t' ? L't' : c == L'\r' ? L'r' : c == L'\n' ? L'n' : 0;
        if (escaped) {
            out[at++] = L'\\';
            c = escaped;
        } else if (NeedsCodeEscape(field, length, i)) {
            static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
            out[at++] = L'\\';
            out[at++] = L'u';
            for (int shift = 12; shift > 0; shift -= 4) out[at++] = kHex[(c >> shift) & 0xF];
            c = kHex[c & 0xF];
        }
        out[at++] = c;
    }
    line.ReleaseBuffer(at);
    return true;
}

bool BuildRecord(WideString& line, const wchar_t* const* fields, const int* lengths, int count) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (!line.Format(L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                     now.wSecond)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        if (!line.Append(L"\t") || !AppendEscaped(line, fields[i], lengths ? lengths[i] : -1)) return false;
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

bool DeviceAppendOutboxRecord(const wchar_t* fileName, const wchar_t* const* fields, int count, const int* lengths) {
    wchar_t path[MAX_PATH] = {};
    if (!DeviceOutboxFile(fileName, path, MAX_PATH)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    WideString line;
    if (!BuildRecord(line, fields, lengths, count)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return AppendUtf8(path, line);
}

}  // namespace brevitex
