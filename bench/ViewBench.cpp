// Benchmark of opening files into the edit view and saving them back, for
// 1, 10 and 50 MiB of text. Besides LoadDocument and SaveDocument as a whole,
// each phase is timed on its own so the rich edit control's share shows:
// load = decode the file + rewrite line breaks + stream into the control;
// save = stream out of the control + rewrite line breaks + encode and write.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "Bench.h"
#include "document/EditStreams.h"
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

struct FileKind {
    const char* name;
    bool chinese;        // Chinese UTF-8 (3 bytes a character) instead of ASCII
    const char* lineBreak;
};

constexpr FileKind kKinds[] = {
    {"ascii-crlf", false, "\r\n"},
    {"utf8-lf", true, "\n"},
};

// Lines of about 70 units of fixed pseudo-random text, in the file's bytes.
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

bool WriteFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

// A hidden top-level window holding a view, as a frame does.
class ViewHost {
public:
    ViewHost() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrevitexViewBench";
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 480, 640, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        RECT rect{0, 0, 480, 600};
        if (parent_) view.Create(parent_, rect, brevitex::kEditViewNoWrapStyle);
    }
    ~ViewHost() {
        if (view.Handle()) DestroyWindow(view.Handle());
        if (parent_) DestroyWindow(parent_);
    }
    EditView view;

private:
    HWND parent_ = nullptr;
};

struct Figures {
    double decode, loadBreaks, streamIn, load;
    double streamOut, saveBreaks, write, save;
    double reload;  // LoadDocument over a view already holding the document; 0 when not measured
};

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void KeepBest(double& best, double seconds, int run) {
    if (run == 0 || seconds < best) best = seconds;
}

// Times each phase on its own, then the view's operations as a whole. Every
// run loads into a fresh view, as when a frame opens its file: replacing the
// text of a control that already holds a big document costs far more (see
// reload), and is timed only when asked.
bool Measure(int runs, bool timeReload, const std::wstring& path, const std::wstring& copy, Figures& f) {
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        WideString text;
        TextEncoding encoding = TextEncoding::AutoDetect;
        bool hasBom = false;
        double start = Now();
        ok &= brevitex::LoadTextFile(path.c_str(), text, encoding, hasBom);
        KeepBest(f.decode, Now() - start, run);
        LineBreak style = brevitex::DetectLineBreak(text.c_str(), text.Length());
        start = Now();
        ok &= brevitex::RewriteLineBreaks(text, LineBreak::Cr, false);
        KeepBest(f.loadBreaks, Now() - start, run);
        {
            ViewHost host;
            start = Now();
            ok &= brevitex::StreamControlIn(host.view.Handle(), text);
            KeepBest(f.streamIn, Now() - start, run);
            text.Empty();
            WideString out;
            start = Now();
            ok &= brevitex::StreamControlOut(host.view.Handle(), out);
            KeepBest(f.streamOut, Now() - start, run);
            start = Now();
            ok &= brevitex::RewriteLineBreaks(out, style, true);
            KeepBest(f.saveBreaks, Now() - start, run);
            TextEncoding used = encoding;
            bool bom = hasBom;
            start = Now();
            ok &= brevitex::SaveTextFile(copy.c_str(), out, used, bom);
            KeepBest(f.write, Now() - start, run);
        }
        ViewHost host;
        start = Now();
        ok &= host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect);
        KeepBest(f.load, Now() - start, run);
        start = Now();
        ok &= host.view.SaveDocument(copy.c_str(), TextEncoding::AutoDetect);
        KeepBest(f.save, Now() - start, run);
        if (timeReload && run == 0) {
            start = Now();
            ok &= host.view.LoadDocument(path.c_str(), TextEncoding::AutoDetect);
            f.reload = Now() - start;
        }
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
    if (!ViewHost().view.Handle()) {
        std::printf("view    the view window could not be created (is there a display?)\n");
        return;
    }
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"brevitex-view-bench.txt";
    std::wstring copy = std::wstring(folder) + L"brevitex-view-bench-copy.txt";
    for (const FileKind& kind : kKinds) {
        for (size_t mib : kSizesMiB) {
            std::string bytes = FileBytes(kind, mib << 20);
            if (!WriteFile(path, bytes)) {
                std::printf("view    cannot write %ls\n", path.c_str());
                return;
            }
            // Runs of the big files are long; fewer of them still give a stable figure.
            int runs = mib >= 50 ? 1 : (options.runs < 3 ? options.runs : 3);
            Figures f{};
            bool ok = Measure(runs, mib == 1, path, copy, f);
            size_t n = bytes.size();
            std::printf("view %-10s %2zu MiB load %7.3f s (%6.1f MB/s): decode %6.3f + breaks %6.3f + control %7.3f "
                        "(%4.1f%%)%s\n",
                        kind.name, mib, f.load, bench::MegabytesPerSecond(n, f.load), f.decode, f.loadBreaks,
                        f.streamIn, Share(f.streamIn, f.decode + f.loadBreaks + f.streamIn), ok ? "" : "  FAILED");
            std::printf("view %-10s %2zu MiB save %7.3f s (%6.1f MB/s): control %7.3f (%4.1f%%) + breaks %6.3f + "
                        "write %6.3f\n",
                        kind.name, mib, f.save, bench::MegabytesPerSecond(n, f.save), f.streamOut,
                        Share(f.streamOut, f.streamOut + f.saveBreaks + f.write), f.saveBreaks, f.write);
            if (f.reload > 0) {
                std::printf("view %-10s %2zu MiB load over the same document already in the view %7.3f s\n",
                            kind.name, mib, f.reload);
            }
            std::fflush(stdout);
        }
    }
    DeleteFileW(path.c_str());
    DeleteFileW(copy.c_str());
}

const bool g_registered = bench::RegisterGroup("view", "open 1/10/50 MiB files into the edit view and save them",
                                               RunView);

}  // namespace
