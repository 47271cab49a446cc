// Benchmark of the recovery copy in a 10 MiB document: the time a typed
// letter takes with the copy's change notices on and off (each keeps the
// best of several runs of 200 letters, taken in turns), and what writing one copy costs,
// which happens only in a pause and at most once per thirty times its cost.
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Bench.h"
#include "ViewHost.h"
#include "document/EditView.h"
#include "document/RecoveryFile.h"
#include "shell/AppModule.h"
#include "shell/DocumentRecovery.h"

using brevitex::DocumentRecovery;
using brevitex::TextEncoding;

namespace {

constexpr int kLetters = 200;

DocumentRecovery* g_recovery = nullptr;
WNDPROC g_hostProc = nullptr;

// The host forwards the view's change notices to the recovery, as the frame does.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE && g_recovery) {
        g_recovery->Changed(window);
        return 0;
    }
    return CallWindowProcW(g_hostProc, window, message, wParam, lParam);
}

double SecondsPerLetter(HWND control, int runs) {
    return bench::BestSeconds(runs, [&] {
               for (int i = 0; i < kLetters; ++i) SendMessageW(control, WM_CHAR, L'a' + i % 26, 1);
           }) /
           kLetters;
}

void RunRecovery(const bench::Options& options) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (!LoadLibraryW(L"RICHED20.DLL")) {
        std::printf("recovery the rich edit library is not available\n");
        return;
    }
    const std::wstring path = bench::TempFolder() + L"brevitex-recovery-bench.txt";
    const std::wstring folder = bench::TempFolder() + L"brevitex-recovery-bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"BREVITEX_RECOVERY", folder.c_str());
    const bench::FileKind kind{"ascii-crlf", false, "\r\n"};
    if (!bench::WriteFileBytes(path, bench::FileBytes(kind, size_t{10} << 20))) {
        std::printf("recovery cannot write %ls\n", path.c_str());
        return;
    }
    bench::ViewHost host;
    HWND control = host.view.Handle();
    if (!control || !host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect)) {
        std::printf("recovery the document could not be loaded (is there a display?)\n");
        return;
    }
    HWND parent = GetParent(control);
    g_hostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostProc)));
    DocumentRecovery recovery;
    g_recovery = &recovery;
    const int runs = options.runs < 3 ? 3 : options.runs;
    const LRESULT mask = SendMessageW(control, EM_GETEVENTMASK, 0, 0);
    // Taken in turns, so that neither side gains from the other's warm-up.
    double off = 1e9;
    double on = 1e9;
    for (int round = 0; round < 3; ++round) {
        SendMessageW(control, EM_SETEVENTMASK, 0, mask & ~ENM_CHANGE);
        off = (std::min)(off, SecondsPerLetter(control, runs));
        SendMessageW(control, EM_SETEVENTMASK, 0, mask | ENM_CHANGE);
        on = (std::min)(on, SecondsPerLetter(control, runs));
    }
    const double write = bench::BestSeconds(runs, [&] {
        brevitex::RecoveryRecord record;
        host.view.CaptureRecovery(&record);
        const brevitex::WideString file = brevitex::NewRecoveryFileName(brevitex::WideString(folder.c_str()));
        brevitex::WriteRecoveryFile(file, record);
        DeleteFileW(file);
    });
    g_recovery = nullptr;
    recovery.Discard(parent);
    SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_hostProc));
    std::printf("recovery 10 MiB typing %.3f ms a letter with change notices, %.3f ms without: %+.1f%%; "
                "one copy written in %.3f s\n",
                on * 1e3, off * 1e3, off > 0 ? (on / off - 1) * 100 : 0.0, write);
    std::fflush(stdout);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
}

const bool g_registered =
    bench::RegisterGroup("recovery", "typing in a 10 MiB document with the recovery copy, and one copy's cost",
                         RunRecovery);

}  // namespace
