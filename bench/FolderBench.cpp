// Benchmark of the file list on a folder of 10,000 files (half ASCII, half
// Chinese names): a full reload (enumerate, insert, sort, size the columns)
// against the bare FindFirstFileW/FindNextFileW enumeration of the same
// folder, the first paint after it, and the delay from a file made by
// another process to its row.
//
// The other process is this program started as
//   brevitex_bench --make-files FOLDER COUNT
// which makes COUNT files one after another, each holding the system time
// just before its creation (the clock both processes share).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Bench.h"
#include "common/Window.h"
#include "filebrowser/FileListView.h"

using brevitex::FileListView;
using brevitex::FLM_REFRESH;
using brevitex::FLM_SETFOLDER;

namespace {

constexpr int kFiles = 10000;
constexpr int kProcessFiles = 20;
constexpr DWORD kProcessPauseMs = 150;

double Seconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Wall-clock time in 100 ns units: the one clock two processes share (each
// process's performance counter may start from its own origin).
LONGLONG SharedNow() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

bool MakeFile(const std::wstring& path, const void* bytes, DWORD size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = size == 0 || WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

std::wstring FileName(int i) {
    wchar_t name[64];
    wsprintfW(name, i % 2 ? L"文件名称%05d.txt" : L"file-%05d.txt", i);
    return name;
}

std::wstring ProcessFileName(int i) {
    wchar_t name[64];
    wsprintfW(name, L"made by process %02d.txt", i);
    return name;
}

// A top-level window that reflects the list's notifications, as the dialog does.
class ListHost : public brevitex::WindowBase {
public:
    ListHost() {
        static const ATOM atom = [] {
            INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&controls);
            WNDCLASSW wc{};
            wc.lpfnWndProc = StartWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"BrevitexFolderBenchHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        CreateBound(0, L"BrevitexFolderBenchHost", L"folder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 600,
                    nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        HWND window = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                      WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | LVS_SHAREIMAGELISTS |
                                          LVS_EDITLABELS,
                                      0, 0, 470, 560, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        list.Attach(window);
        list.Initialize();
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message != WM_NOTIFY || !lParam) return false;
        HWND control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        if (control == hwnd_) return false;
        result = SendMessageW(control, brevitex::kReflectBase + WM_NOTIFY, wParam, lParam);
        return true;
    }
    FileListView list;
};

int Enumerate(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Starts this program making files in folder; the process handle, or null.
HANDLE StartFileMaker(const std::wstring& folder) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(program) + L"\" --make-files \"" + folder + L"\" " +
                           std::to_wstring(kProcessFiles);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Delays in seconds from each file's creation (the time it holds) to its row.
std::vector<double> ProcessDelays(ListHost& host, const std::wstring& folder) {
    std::vector<double> delays;
    std::vector<LONGLONG> seen(kProcessFiles, 0);
    HANDLE maker = StartFileMaker(folder);
    if (!maker) return delays;
    LONGLONG deadline = Now() + static_cast<LONGLONG>(30.0 / Seconds(1));
    int found = 0;
    // New rows are appended: only rows past the last count are looked at.
    int rows = ListView_GetItemCount(host.list.Handle());
    while (found < kProcessFiles && Now() < deadline) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        int now = ListView_GetItemCount(host.list.Handle());
        for (int row = rows; row < now; ++row) {
            const brevitex::FileEntry* entry = host.list.EntryAt(row);
            for (int i = 0; entry && i < kProcessFiles; ++i) {
                if (!seen[i] && ProcessFileName(i) == entry->name.c_str()) {
                    seen[i] = SharedNow();
                    ++found;
                }
            }
        }
        rows = now;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    WaitForSingleObject(maker, 10000);
    CloseHandle(maker);
    for (int i = 0; i < kProcessFiles; ++i) {
        LONGLONG made = 0;
        HANDLE file = CreateFileW((folder + L"\\" + ProcessFileName(i)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, &made, sizeof(made), &read, nullptr);
            CloseHandle(file);
        }
        if (seen[i] && read == sizeof(made)) delays.push_back(static_cast<double>(seen[i] - made) / 1e7);
    }
    return delays;
}

void RunFolder(const bench::Options& options) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"brevitex-folder-bench";
    RemoveFolder(folder);
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        std::printf("folder  cannot make %ls\n", folder.c_str());
        return;
    }
    for (int i = 0; i < kFiles; ++i) {
        char bytes[64];
        DWORD size = static_cast<DWORD>(wsprintfA(bytes, "%d", i * 37));
        if (!MakeFile(folder + L"\\" + FileName(i), bytes, size)) {
            std::printf("folder  cannot write file %d\n", i);
            RemoveFolder(folder);
            return;
        }
    }
    ListHost host;
    if (!host.list.Handle()) {
        std::printf("folder  the list could not be created (is there a display?)\n");
        RemoveFolder(folder);
        return;
    }
    int entries = 0;
    SendMessageW(host.list.Handle(), FLM_SETFOLDER, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    // Taken in turns, so that both see the machine as busy as it is then.
    double enumerate = 0;
    double reload = 0;
    for (int run = 0; run < options.runs; ++run) {
        double bare = bench::BestSeconds(1, [&] { entries = Enumerate(folder); });
        double full = bench::BestSeconds(1, [&] { SendMessageW(host.list.Handle(), FLM_REFRESH, 1, 0); });
        if (run == 0 || bare < enumerate) enumerate = bare;
        if (run == 0 || full < reload) reload = full;
    }
    int rows = ListView_GetItemCount(host.list.Handle());
    // What a reload leaves to the first paint: the shown rows' texts and icons.
    double paint = 0;
    for (int run = 0; run < options.runs; ++run) {
        SendMessageW(host.list.Handle(), FLM_REFRESH, 1, 0);
        LONGLONG start = Now();
        UpdateWindow(host.list.Handle());
        double seconds = Seconds(Now() - start);
        if (run == 0 || seconds < paint) paint = seconds;
    }
    std::printf("folder  %d files (ASCII and Chinese names): bare enumeration %7.1f ms (%d entries)\n", kFiles,
                enumerate * 1000, entries);
    std::printf("folder  %d files: full reload %7.1f ms (%d rows, columns sized)\n", kFiles, reload * 1000, rows);
    std::printf("folder  reload / bare enumeration: %.2fx\n", enumerate > 0 ? reload / enumerate : 0.0);
    std::printf("folder  first paint after a reload (shown rows' texts and icons): %7.1f ms\n", paint * 1000);
    std::fflush(stdout);

    std::vector<double> delays = ProcessDelays(host, folder);
    if (delays.empty()) {
        std::printf("folder  no row appeared for the files of another process\n");
    } else {
        std::sort(delays.begin(), delays.end());
        std::printf("folder  file made by another process to its row: median %.3f s, max %.3f s (%zu of %d files)\n",
                    delays[delays.size() / 2], delays.back(), delays.size(), kProcessFiles);
    }
    DestroyWindow(host.list.Handle());
    RemoveFolder(folder);
}

const bool g_registered =
    bench::RegisterGroup("folder", "reload a 10,000-file folder into the file list; live rows from another process",
                         RunFolder);

}  // namespace

namespace bench {

int MakeFilesForAnotherProcess(const wchar_t* folder, int count) {
    for (int i = 0; i < count; ++i) {
        Sleep(kProcessPauseMs);
        LONGLONG made = SharedNow();
        if (!MakeFile(std::wstring(folder) + L"\\" + ProcessFileName(i), &made, sizeof(made))) return 1;
    }
    return 0;
}

}  // namespace bench
