// Unix-side commands for the device layer. Wine cannot wait for a Unix program
// it starts, so each command runs in a shell script of ours that writes its
// exit status to a file once it has ended; the caller waits for that file.
// Arguments are written into the script as quoted bytes, never through the
// command line, so every Unix name reaches the program exactly.
#include "device/UnixHost.h"

#include <atomic>
#include <cstdlib>

#include "common/Handles.h"

namespace brevitex {

namespace {

using UnixFileNameFunction = char*(CDECL*)(const wchar_t*);

UnixFileNameFunction UnixNameConverter() {
    static const UnixFileNameFunction function = [] {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        return kernel ? reinterpret_cast<UnixFileNameFunction>(GetProcAddress(kernel, "wine_get_unix_file_name"))
                      : nullptr;
    }();
    return function;
}

}  // namespace

std::string UnixShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

namespace {

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char buffer[4096];
    DWORD read = 0;
    bytes->clear();
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes->append(buffer, read);
        if (bytes->size() > 65536) break;
    }
    return true;
}

// A folder of our own for one command's script and status.
std::wstring NewWorkFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH) return {};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        wsprintfW(name, L"bvx-unix-%lu-%u", GetCurrentProcessId(), counter.fetch_add(1));
        std::wstring folder = std::wstring(temp) + name;
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    }
    return {};
}

}  // namespace

bool UnixHostAvailable() { return UnixNameConverter() != nullptr; }

std::string UnixFileName(const wchar_t* windowsPath) {
    UnixFileNameFunction convert = UnixNameConverter();
    if (!convert || !windowsPath) return {};
    char* name = convert(windowsPath);
    if (!name) return {};
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

int RunUnixProgram(const std::vector<std::string>& arguments, DWORD timeoutMs) {
    if (arguments.empty() || !UnixHostAvailable()) return -1;
    std::wstring folder = NewWorkFolder();
    if (folder.empty()) return -1;
    const std::wstring script = folder + L"\\run.sh";
    const std::wstring status = folder + L"\\status";
    const std::string unixFolder = UnixFileName(folder.c_str());
    int exitStatus = -1;
    if (!unixFolder.empty()) {
        std::string command;
        for (const std::string& argument : arguments) command += UnixShellQuoted(argument) + " ";
        std::string text = command + "< /dev/null > /dev/null 2>&1\n" +
                           "echo $? > " + UnixShellQuoted(unixFolder + "/status.tmp") + "\n" + "mv " +
                           UnixShellQuoted(unixFolder + "/status.tmp") + " " + UnixShellQuoted(unixFolder + "/status") + "\n";
        if (WriteWholeFile(script, text)) {
            // The shell and its script are named by their Unix names.
            std::string unixScript = unixFolder + "/run.sh";
            int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, unixScript.data(),
                                            static_cast<int>(unixScript.size()), nullptr, 0);
            if (units > 0) {
                std::wstring wideScript(static_cast<size_t>(units), L'\0');
                MultiByteToWideChar(CP_UTF8, 0, unixScript.data(), static_cast<int>(unixScript.size()),
                                    wideScript.data(), units);
                std::wstring commandLine = L"/bin/sh \"" + wideScript + L"\"";
                STARTUPINFOW startup{};
                startup.cb = sizeof(startup);
                PROCESS_INFORMATION process{};
                if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                   nullptr, &startup, &process)) {
                    CloseHandle(process.hThread);
                    CloseHandle(process.hProcess);
                    std::string code;
                    const DWORD start = GetTickCount();
                    while (!ReadWholeFile(status, &code)) {
                        if (GetTickCount() - start > timeoutMs) break;
                        Sleep(5);
                    }
                    if (!code.empty() && code.back() == '\n') exitStatus = atoi(code.c_str());
                }
            }
        }
    }
    DeleteFileW(script.c_str());
    DeleteFileW(status.c_str());
    RemoveDirectoryW(folder.c_str());
    return exitStatus;
}

}  // namespace brevitex
