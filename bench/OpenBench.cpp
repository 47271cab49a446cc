// End-to-end open benchmark: launches the real program with a 2 MiB and a
// 10 MiB file and times it until its window carries the file's title and the
// view holds every line, then does the same with the system's plain notepad,
// and prints both times with their ratio. For scale it also times streaming
// the same text into a bare control set up as the view sets it up, and how
// long each program takes to close its window.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

#include "Bench.h"
#include "ViewHost.h"
#include "document/EditStreams.h"
#include "document/LineBreaks.h"
#include "document/TextFile.h"
#include "shell/AppModule.h"

namespace {

constexpr size_t kSizesMiB[] = {2, 10};
constexpr bench::FileKind kAscii = {"ascii-crlf", false, "\r\n"};
constexpr double kOpenTimeout = 600;
constexpr DWORD kCloseTimeoutMs = 120000;

// A top-level window of the process whose title begins with the file name.
struct TitleSearch {
    DWORD process;
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TitleSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || GetParent(window)) return TRUE;
    wchar_t title[512] = {};
    GetWindowTextW(window, title, 512);
    if (wcsncmp(title, search->name, wcslen(search->name)) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// How a program shows that the whole file is in: asked of its titled window.
using HoldsWholeText = std::function<bool(HWND window)>;

struct Opened {
    double open = -1;   // seconds from launch until titled and full; -1 on failure
    double close = -1;  // seconds from WM_CLOSE until the process ended
};

// Launches `commandLine`, waits for a titled window holding the whole text,
// then closes it and waits for the process to end.
Opened TimeProgram(const std::wstring& commandLine, const wchar_t* fileName, const HoldsWholeText& full) {
    Opened result;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    double start = bench::Now();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return result;
    }
    HWND window = nullptr;
    while (bench::Now() - start < kOpenTimeout) {
        TitleSearch search{process.dwProcessId, fileName, nullptr};
        EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
        if (search.found && full(search.found)) {
            result.open = bench::Now() - start;
            window = search.found;
            break;
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    if (window) {
        double closing = bench::Now();
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, kCloseTimeoutMs) == WAIT_OBJECT_0) {
            result.close = bench::Now() - closing;
        }
    }
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kCloseTimeoutMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

// The first child of a class (the program's view, notepad's edit box).
HWND ChildOfClass(HWND parent, const wchar_t* className) { return FindWindowExW(parent, nullptr, className, nullptr); }

LRESULT AskChild(HWND child, UINT message) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(child, message, 0, 0, SMTO_NORMAL, 5000, &answer)) return -1;
    return static_cast<LRESULT>(answer);
}

void KeepBest(Opened& best, const Opened& run) {
    if (best.open < 0 || run.open < best.open) best.open = run.open;
    if (run.close >= 0 && (best.close < 0 || run.close < best.close)) best.close = run.close;
}

// The best of `runs` launches of each program, taking turns, so that a change
// in the machine's load falls on both alike. A failed launch ends the series
// with its figure at -1.
void BestOfTurns(int runs, const std::function<Opened()>& first, const std::function<Opened()>& second,
                 Opened& firstBest, Opened& secondBest) {
    for (int i = 0; i < runs; ++i) {
        Opened a = first();
        Opened b = second();
        if (a.open < 0 || b.open < 0) {
            firstBest.open = a.open < 0 ? -1 : firstBest.open;
            secondBest.open = b.open < 0 ? -1 : secondBest.open;
            return;
        }
        KeepBest(firstBest, a);
        KeepBest(secondBest, b);
    }
}

// Streaming the file's decoded text into a fresh control set up as the view's.
double BareControlSeconds(int runs, const std::wstring& path) {
    brevitex::WideString text;
    brevitex::TextEncoding encoding = brevitex::TextEncoding::AutoDetect;
    bool hasBom = false;
    if (!brevitex::LoadTextFile(path.c_str(), text, encoding, hasBom) ||
        !brevitex::RewriteLineBreaks(text, brevitex::LineBreak::Cr, false)) {
        return -1;
    }
    bool ok = true;
    double seconds = bench::BestSeconds(runs, [&] {
        bench::ViewHost host;
        ok &= brevitex::StreamControlIn(host.view.Handle(), text);
    });
    return ok ? seconds : -1;
}

std::wstring ProgramPath() {
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length < MAX_PATH ? length : 0);
    // brevitex_bench.exe lives in bench/ under the build folder, the program in the build folder.
    for (int up = 0; up < 2; ++up) {
        size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) return L"brevitex.exe";
        path.erase(slash);
    }
    return path + L"\\brevitex.exe";
}

void RunOpen(const bench::Options& options) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (!LoadLibraryW(L"RICHED20.DLL")) {
        std::printf("open    the rich edit library is not available\n");
        return;
    }
    const std::wstring program = ProgramPath();
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("open    %ls is missing\n", program.c_str());
        return;
    }
    const wchar_t* fileName = L"brevitex-open-bench.txt";
    const std::wstring path = bench::TempFolder() + fileName;
    for (size_t mib : kSizesMiB) {
        std::string bytes = bench::FileBytes(kAscii, mib << 20);
        if (!bench::WriteFileBytes(path, bytes)) {
            std::printf("open    cannot write %ls\n", path.c_str());
            return;
        }
        LRESULT lines = 1;
        for (char c : bytes) lines += c == '\n';
        const auto fileLength = static_cast<LRESULT>(bytes.size());
        int runs = mib >= 10 ? 2 : (options.runs < 3 ? options.runs : 3);

        Opened ours;
        Opened notepad;
        BestOfTurns(
            runs,
            [&] {
                return TimeProgram(L"\"" + program + L"\" \"" + path + L"\"", fileName, [&](HWND window) {
                    HWND view = ChildOfClass(window, L"VidavizEdizAvaro");
                    return view && AskChild(view, EM_GETLINECOUNT) == lines;
                });
            },
            [&] {
                return TimeProgram(L"notepad.exe \"" + path + L"\"", fileName, [&](HWND window) {
                    HWND edit = ChildOfClass(window, L"Edit");
                    return edit && AskChild(edit, WM_GETTEXTLENGTH) == fileLength;
                });
            },
            ours, notepad);
        double bare = BareControlSeconds(runs, path);
        if (ours.open < 0 || notepad.open < 0) {
            std::printf("open    %2zu MiB  FAILED (brevitex %.3f s, notepad %.3f s)\n", mib, ours.open, notepad.open);
            continue;
        }
        std::printf("open    %2zu MiB  brevitex %7.3f s  notepad %7.3f s  %.2fx   bare control %7.3f s (brevitex %.2fx)"
                    "   close: brevitex %.3f s, notepad %.3f s\n",
                    mib, ours.open, notepad.open, ours.open / notepad.open, bare,
                    bare > 0 ? ours.open / bare : 0.0, ours.close, notepad.close);
        std::fflush(stdout);
    }
    DeleteFileW(path.c_str());
}

const bool g_registered = bench::RegisterGroup(
    "open", "launch the program and notepad on 2 and 10 MiB files, time until the file is shown", RunOpen);

}  // namespace
