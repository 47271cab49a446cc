// Benchmark of opening files into the edit view and saving them back, for
// 1, 10 and 50 MiB of text. LoadDocument and SaveDocument are each split into
// the time the control took to take in or give out the text (timed inside the
// same call) and the rest; decoding and the line-break pass are also timed
// alone, outside the view.
// Then the document is loaded again over itself, twice (each set against the
// load into a fresh view), word wrap is switched on (the view re-creates its
// control with the text) and the document is replaced by a new one. Between
// operations the thread's messages are handled, as the program's loop would;
// that is when the view destroys a control it replaced, and that time is
// shown apart.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Bench.h"
#include "ViewHost.h"
#include "document/EditView.h"
#include "document/LineBreaks.h"
#include "document/TextFile.h"
#include "shell/AppModule.h"

using brevitex::EditView;
using brevitex::LineBreak;
using brevitex::TextEncoding;
using brevitex::WideString;

namespace {

constexpr size_t kSizesMiB[] = {1, 10, 50};

constexpr bench::FileKind kKinds[] = {
    {"ascii-crlf", false, "\r\n"},
    {"utf8-lf", true, "\n"},
};

struct Figures {
    double decode, loadBreaks;   // each measured alone, outside the view
    double streamIn, load;       // the control's part of the view's load, and the whole
    double streamOut, save;      // the same for the save
    double reload;       // LoadDocument over a view already holding the document
    double reloadAgain;  // the same once more, after the first old control went
    double wrap;         // SetWordWrap on a view holding the document
    double newDocument;  // NewDocument on a view holding the document
    double dropOld;      // handling the messages after it: the old control goes
};

// Handles the thread's waiting messages; returns the seconds it took.
double HandleMessages() {
    double start = bench::Now();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return bench::Now() - start;
}

void KeepBest(double& best, double seconds, int run) {
    if (run == 0 || seconds < best) best = seconds;
}

// Times each phase on its own, then the view's operations as a whole: a load
// into a fresh view (as when a frame opens its file), a save, a load of the
// same file over the document now in the view, and a new document there.
bool Measure(int runs, const std::wstring& path, const std::wstring& copy, Figures& f) {
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        WideString text;
        TextEncoding encoding = TextEncoding::AutoDetect;
        bool hasBom = false;
        double start = bench::Now();
        ok &= brevitex::LoadTextFile(path.c_str(), text, encoding, hasBom);
        KeepBest(f.decode, bench::Now() - start, run);
        start = bench::Now();
        ok &= brevitex::RewriteLineBreaks(text, LineBreak::Cr, false);
        KeepBest(f.loadBreaks, bench::Now() - start, run);
        text.Empty();
        bench::ViewHost host;
        start = bench::Now();
        ok &= host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect);
        // The control's part and the whole are kept from the same run, so they add up.
        const double load = bench::Now() - start;
        if (run == 0 || load < f.load) {
            f.load = load;
            f.streamIn = host.view.fillSeconds;
        }
        host.view.readSeconds = 0;
        start = bench::Now();
        ok &= host.view.SaveDocument(copy.c_str(), TextEncoding::AutoDetect);
        const double save = bench::Now() - start;
        if (run == 0 || save < f.save) {
            f.save = save;
            f.streamOut = host.view.readSeconds;
        }
        HandleMessages();
        start = bench::Now();
        ok &= host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect);
        KeepBest(f.reload, bench::Now() - start, run);
        HandleMessages();
        start = bench::Now();
        ok &= host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect);
        KeepBest(f.reloadAgain, bench::Now() - start, run);
        HandleMessages();
        start = bench::Now();
        ok &= host.view.SetWordWrap(true) != nullptr;
        KeepBest(f.wrap, bench::Now() - start, run);
        HandleMessages();
        start = bench::Now();
        host.view.NewDocument();
        KeepBest(f.newDocument, bench::Now() - start, run);
        KeepBest(f.dropOld, HandleMessages(), run);
        ok &= GetWindowTextLengthW(host.view.Handle()) == 0;
    }
    return ok;
}

double Share(double part, double whole) { return whole > 0 ? 100.0 * part / whole : 0.0; }

void RunView(const bench::Options& options) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (!LoadLibraryW(L"RICHED20.DLL")) {
        std::printf("view    the rich edit library is not available\n");
        return;
    }
    if (!bench::ViewHost().view.Handle()) {
        std::printf("view    the view window could not be created (is there a display?)\n");
        return;
    }
    std::wstring path = bench::TempFolder() + L"brevitex-view-bench.txt";
    std::wstring copy = bench::TempFolder() + L"brevitex-view-bench-copy.txt";
    for (const bench::FileKind& kind : kKinds) {
        for (size_t mib : kSizesMiB) {
            std::string bytes = bench::FileBytes(kind, mib << 20);
            if (!bench::WriteFileBytes(path, bytes)) {
                std::printf("view    cannot write %ls\n", path.c_str());
                return;
            }
            // Runs of the big files are long, but one alone varies by a third
            // on a busy machine: the best of two is kept.
            int most = mib >= 50 ? 2 : 3;
            int runs = options.runs < most ? options.runs : most;
            Figures f{};
            bool ok = Measure(runs, path, copy, f);
            size_t n = bytes.size();
            std::printf("view %-10s %2zu MiB load %7.3f s (%6.1f MB/s): control %7.3f (%4.1f%%) + the rest %6.3f "
                        "(alone: decode %6.3f, breaks %6.3f)%s\n",
                        kind.name, mib, f.load, bench::MegabytesPerSecond(n, f.load), f.streamIn,
                        Share(f.streamIn, f.load), f.load - f.streamIn, f.decode, f.loadBreaks, ok ? "" : "  FAILED");
            std::printf("view %-10s %2zu MiB save %7.3f s (%6.1f MB/s): control %7.3f (%4.1f%%) + the rest %6.3f\n",
                        kind.name, mib, f.save, bench::MegabytesPerSecond(n, f.save), f.streamOut,
                        Share(f.streamOut, f.save), f.save - f.streamOut);
            std::printf("view %-10s %2zu MiB reload %7.3f s over the same document, fresh view %7.3f s: %.2fx; "
                        "new document %6.3f s, then the old control goes in %6.3f s\n",
                        kind.name, mib, f.reload, f.load, f.load > 0 ? f.reload / f.load : 0.0, f.newDocument, f.dropOld);
            std::printf("view %-10s %2zu MiB reload again %7.3f s, fresh view %7.3f s: %.2fx\n", kind.name, mib,
                        f.reloadAgain, f.load, f.load > 0 ? f.reloadAgain / f.load : 0.0);
            std::printf("view %-10s %2zu MiB word wrap %7.3f s, fresh view %7.3f s: %.2fx\n", kind.name, mib, f.wrap,
                        f.load, f.load > 0 ? f.wrap / f.load : 0.0);
            std::fflush(stdout);
        }
    }
    DeleteFileW(path.c_str());
    DeleteFileW(copy.c_str());
}

const bool g_registered = bench::RegisterGroup("view", "open 1/10/50 MiB files into the edit view and save them",
                                               RunView);

}  // namespace
