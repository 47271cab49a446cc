// Generated input files and the clock shared by the benchmark groups.
#include <windows.h>

#include <cstdint>

#include "Bench.h"

namespace bench {

std::string FileBytes(const FileKind& kind, size_t bytes) {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    };
    std::string out;
    out.reserve(bytes + 128);
    size_t lineStart = 0;
    while (out.size() < bytes) {
        if (kind.chinese) {
            wchar_t unit = static_cast<wchar_t>(0x4E00 + next() % 0x51A5);
            char utf8[4];
            out.append(utf8, WideCharToMultiByte(CP_UTF8, 0, &unit, 1, utf8, 4, nullptr, nullptr));
        } else {
            out += static_cast<char>(next() % 6 == 0 ? ' ' : 'a' + next() % 26);
        }
        if (out.size() - lineStart > 70) {
            out += kind.lineBreak;
            lineStart = out.size();
        }
    }
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH ? std::wstring(folder) : std::wstring(L".\\");
}

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace bench
