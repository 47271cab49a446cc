// Unix-side helpers: paths through Wine's own translation, and commands
// started as Unix programs. Wine does not let a Windows program wait for a
// Unix program it starts, so the command writes its exit status to a file
// that the test waits for.
#include "support/UnixSide.h"

#include <windows.h>

#include "device/UnixHost.h"
#include "support/TestSupport.h"

namespace testsupport {

std::string UnixPath(const std::wstring& windowsPath) { return brevitex::UnixFileName(windowsPath.c_str()); }

std::string ShellQuote(const std::string& text) { return brevitex::UnixShellQuoted(text); }

bool RunUnix(const std::string& command, std::string* output) {
    TempDir dir;
    std::string folder = UnixPath(dir.Path());
    if (folder.empty()) return false;
    std::string script = "( " + command + " ) > " + ShellQuote(folder + "/out") + " 2>&1\n" +
                         "echo $? > " + ShellQuote(folder + "/status.tmp") + "\n" +
                         "mv " + ShellQuote(folder + "/status.tmp") + " " + ShellQuote(folder + "/status") + "\n";
    if (!WriteBytes(dir.File(L"run.sh"), script)) return false;
    std::wstring unixFolder(folder.size(), L'\0');
    int units = MultiByteToWideChar(CP_UTF8, 0, folder.data(), static_cast<int>(folder.size()), unixFolder.data(),
                                    static_cast<int>(unixFolder.size()));
    std::wstring commandLine = L"/bin/sh \"" + unixFolder.substr(0, static_cast<size_t>(units)) + L"/run.sh\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string status;
    DWORD start = GetTickCount();
    while (!ReadBytes(dir.File(L"status"), &status)) {
        if (GetTickCount() - start > 20000) return false;
        Sleep(10);
    }
    if (output) ReadBytes(dir.File(L"out"), output);
    return status == "0\n";
}

bool UnixIsRoot() {
    std::string uid;
    return RunUnix("id -u", &uid) && uid == "0\n";
}

}  // namespace testsupport
