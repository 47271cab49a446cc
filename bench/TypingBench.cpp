// Benchmarks of the keyboard and of long lines in the edit view, each against
// a plain reference in the same run.
// typing: the time from a typed letter to its painting, median and 95th
// percentile over 200 letters in the middle of documents of 1 KiB, 1 MiB and
// 10 MiB, in the view (without and with the change notices a frame's
// recovery copy asks for) and in the platform's plain edit control.
// longline: a 10 MB file on one line against the same bytes in lines of 99
// characters, with the longest time the window did not answer during the load
// and its first paint, and loads one after another in one view.
// huge: 100 MB in lines and on one line: load time, longest silence up to the
// first paint, peak memory, and how soon Esc gives up a load over such a
// document while the file is read and while the control fills.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Bench.h"
#include "ViewHost.h"
#include "common/WideString.h"
#include "document/TextFile.h"
#include "shell/AppModule.h"

using brevitex::WideString;

namespace {

constexpr int kLetters = 200;

struct Latency {
    double median = 0;
    double p95 = 0;
};

Latency Summarise(std::vector<double> samples) {
    Latency latency;
    if (samples.empty()) return latency;
    std::sort(samples.begin(), samples.end());
    latency.median = samples[samples.size() / 2];
    latency.p95 = samples[std::min(samples.size() - 1, samples.size() * 95 / 100)];
    return latency;
}

// Types letters one at a time in the middle of the control's text, each
// timed until the window has painted it.
Latency TypeInto(HWND control, HWND window) {
    const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(length / 2), length / 2);
    SendMessageW(control, EM_SCROLLCARET, 0, 0);
    UpdateWindow(window);
    std::vector<double> samples;
    for (int i = 0; i < kLetters; ++i) {
        const double start = bench::Now();
        SendMessageW(control, WM_CHAR, L'a' + i % 26, 1);
        UpdateWindow(window);
        samples.push_back(bench::Now() - start);
    }
    return Summarise(std::move(samples));
}

// The platform's plain multi-line edit control in a shown window.
struct PlainEdit {
    HWND frame = nullptr;
    HWND edit = nullptr;
    PlainEdit() {
        frame = CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP | WS_VISIBLE, 0, 0, 480, 640, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                               0, 0, 480, 600, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    }
    ~PlainEdit() {
        if (frame) DestroyWindow(frame);
    }
};

bool LoadText(const std::wstring& path, WideString& text) {
    brevitex::TextEncoding encoding = brevitex::TextEncoding::AutoDetect;
    bool hasBom = false;
    return brevitex::LoadTextFile(path.c_str(), text, encoding, hasBom);
}

void RunTyping(const bench::Options&) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (!LoadLibraryW(L"RICHED20.DLL")) {
        std::printf("typing   the rich edit library is not available\n");
        return;
    }
    const bench::FileKind kind{"ascii-crlf", false, "\r\n"};
    const std::wstring path = bench::TempFolder() + L"brevitex-typing-bench.txt";
    for (size_t bytes : {size_t{1} << 10, size_t{1} << 20, size_t{10} << 20}) {
        if (!bench::WriteFileBytes(path, bench::FileBytes(kind, bytes))) {
            std::printf("typing   cannot write %ls\n", path.c_str());
            return;
        }
        Latency view;
        Latency notified;
        bool loaded = false;
        {
            bench::ViewHost host;
            HWND frame = GetParent(host.view.Handle());
            ShowWindow(frame, SW_SHOWNA);
            loaded = host.view.LoadDocument(path.c_str(), brevitex::TextEncoding::AutoDetect);
            if (loaded) {
                view = TypeInto(host.view.Handle(), frame);
                // As in a frame, whose recovery copy hears of every change.
                HWND control = host.view.Handle();
                SendMessageW(control, EM_SETEVENTMASK, 0, SendMessageW(control, EM_GETEVENTMASK, 0, 0) | ENM_CHANGE);
                notified = TypeInto(control, frame);
            }
        }
        Latency plain;
        {
            WideString text;
            PlainEdit reference;
            if (LoadText(path, text) && reference.edit) {
                SetWindowTextW(reference.edit, text.c_str());
                plain = TypeInto(reference.edit, reference.frame);
            }
        }
        std::printf("typing   %6zu KiB  view median %7.3f ms  p95 %7.3f ms   plain edit median %7.3f ms  p95 %7.3f ms%s\n",
                    bytes >> 10, view.median * 1e3, view.p95 * 1e3, plain.median * 1e3, plain.p95 * 1e3,
                    loaded ? "" : "  (LOAD FAILED)");
        std::printf("typing   %6zu KiB  view with change notices (the recovery copy's) median %7.3f ms  p95 %7.3f ms: "
                    "%+.1f%% on the median\n",
                    bytes >> 10, notified.median * 1e3, notified.p95 * 1e3,
                    view.median > 0 ? (notified.median / view.median - 1) * 100 : 0.0);
        std::fflush(stdout);
    }
    DeleteFileW(path.c_str());
}

// Sends a window null messages from another thread while it works and keeps
// the longest wait for an answer.
class Watchdog {
public:
    explicit Watchdog(HWND window) : window_(window) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Watchdog() { Stop(); }
    double Stop() {
        if (thread_) {
            stop_ = true;
            // Its last null message is answered while waiting.
            while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
                MSG message;
                PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
            }
            CloseHandle(thread_);
            thread_ = nullptr;
        }
        return longest_;
    }

private:
    static DWORD WINAPI Run(void* self) {
        auto* watchdog = static_cast<Watchdog*>(self);
        while (!watchdog->stop_) {
            const double start = bench::Now();
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(watchdog->window_, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &answer);
            watchdog->longest_ = std::max(watchdog->longest_, bench::Now() - start);
            Sleep(10);
        }
        return 0;
    }
    HWND window_;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    double longest_ = 0;
};

// Paints what a load left to paint and hands out what it left queued (the
// replaced control goes then, as in the program); the seconds it took.
double Settle(HWND frame) {
    const double start = bench::Now();
    RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return bench::Now() - start;
}

// Readies the module and the rich edit library; false (said) when there is none.
bool ReadyForViews(const char* group) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (LoadLibraryW(L"RICHED20.DLL")) return true;
    std::printf("%-8s the rich edit library is not available\n", group);
    return false;
}

// `bytes` bytes of letters in lines of 99 characters.
std::string LinesOfLetters(size_t bytes) {
    std::string lines;
    lines.reserve(bytes + 1);
    for (size_t i = 0; lines.size() < bytes; ++i) {
        lines += static_cast<char>('a' + i % 26);
        if (i % 99 == 98) lines += '\n';
    }
    lines.resize(bytes);
    return lines;
}

// Loads the file into the host's view and prints how long it took, how long
// its first paint took and the longest time the window did not answer.
void TimedLoad(bench::ViewHost& host, const std::wstring& path, const char* name) {
    HWND frame = GetParent(host.view.Handle());
    Watchdog watchdog(frame);
    const double start = bench::Now();
    const bool ok = host.view.LoadDocument(path.c_str(), brevitex::TextEncoding::AutoDetect);
    const double seconds = bench::Now() - start;
    const double paint = Settle(frame);
    const double silent = watchdog.Stop();
    std::printf("longline 10 MB %-19s load %8.3f s, painted in %.3f s, the window did not answer for up to %7.3f s%s\n",
                name, seconds, paint, silent, ok ? "" : "  (LOAD FAILED)");
    std::fflush(stdout);
}

void RunLongLine(const bench::Options&) {
    if (!ReadyForViews("longline")) return;
    const std::string lines = LinesOfLetters(size_t{10} * 1000 * 1000);
    std::string oneLine = lines;
    for (char& c : oneLine) {
        if (c == '\n') c = ' ';
    }
    const std::wstring path = bench::TempFolder() + L"brevitex-longline-bench.txt";
    struct Case {
        const char* name;
        const std::string* content;
        DWORD style;
    };
    for (const Case& one : {Case{"in lines", &lines, brevitex::kEditViewNoWrapStyle},
                            Case{"one line", &oneLine, brevitex::kEditViewNoWrapStyle},
                            Case{"in lines, word wrap", &lines, brevitex::kEditViewWrapStyle},
                            Case{"one line, word wrap", &oneLine, brevitex::kEditViewWrapStyle}}) {
        const char* name = one.name;
        if (!bench::WriteFileBytes(path, *one.content)) {
            std::printf("longline cannot write %ls\n", path.c_str());
            return;
        }
        bench::ViewHost host(one.style);
        ShowWindow(GetParent(host.view.Handle()), SW_SHOWNA);
        TimedLoad(host, path, name);
    }
    // Loads one after another in one view: over a long document, and the one after that.
    if (!bench::WriteFileBytes(path, lines)) return;
    bench::ViewHost host;
    ShowWindow(GetParent(host.view.Handle()), SW_SHOWNA);
    for (const char* name : {"in lines, first", "in lines, over it", "in lines, after it"}) TimedLoad(host, path, name);
    DeleteFileW(path.c_str());
}

// Presses Esc on the thread's windows after a delay, from another thread.
class DelayedEscape {
public:
    DelayedEscape(HWND window, DWORD delayMs) : window_(window), delay_(delayMs) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~DelayedEscape() {
        if (thread_) {
            WaitForSingleObject(thread_, INFINITE);
            CloseHandle(thread_);
        }
    }
    double PressedAt() const { return pressed_; }

private:
    static DWORD WINAPI Run(void* self) {
        auto* press = static_cast<DelayedEscape*>(self);
        Sleep(press->delay_);
        press->pressed_ = bench::Now();
        PostMessageW(press->window_, WM_KEYDOWN, VK_ESCAPE, 1);
        return 0;
    }
    HWND window_;
    DWORD delay_;
    HANDLE thread_ = nullptr;
    std::atomic<double> pressed_{0};
};

double PeakMemoryMiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024 * 1024);
}

void RunHuge(const bench::Options&) {
    if (!ReadyForViews("huge")) return;
    std::string content = LinesOfLetters(size_t{100} * 1000 * 1000);
    const std::wstring lines = bench::TempFolder() + L"brevitex-huge-lines.txt";
    const std::wstring oneLine = bench::TempFolder() + L"brevitex-huge-one-line.txt";
    if (!bench::WriteFileBytes(lines, content)) return;
    for (char& c : content) {
        if (c == '\n') c = ' ';
    }
    if (!bench::WriteFileBytes(oneLine, content)) return;
    content.clear();
    content.shrink_to_fit();

    bench::ViewHost host;
    HWND frame = GetParent(host.view.Handle());
    ShowWindow(frame, SW_SHOWNA);
    auto load = [&](const char* name, const std::wstring& path, DWORD escapeAfterMs) {
        Watchdog watchdog(frame);
        double pressed = 0;
        const double start = bench::Now();
        bool ok = false;
        {
            std::unique_ptr<DelayedEscape> escape;
            if (escapeAfterMs) escape = std::make_unique<DelayedEscape>(frame, escapeAfterMs);
            ok = host.view.LoadDocument(path.c_str(), brevitex::TextEncoding::AutoDetect);
            const double ended = bench::Now();
            escape.reset();
            if (escapeAfterMs) pressed = ended - start - escapeAfterMs / 1000.0;
        }
        const double seconds = bench::Now() - start;
        const double paint = Settle(frame);
        const double silent = watchdog.Stop();
        std::printf("huge     100 MB %-26s %8.3f s, painted in %6.3f s, silent up to %6.3f s, peak memory %6.0f MiB, %s",
                    name, seconds, paint, silent, PeakMemoryMiB(),
                    ok ? "loaded" : host.view.LastLoad() == brevitex::EditView::LoadEnd::Cancelled ? "cancelled"
                                    : host.view.LastLoad() == brevitex::EditView::LoadEnd::LineTooLong ? "refused"
                                                                                                        : "FAILED");
        if (escapeAfterMs) std::printf(", %.3f s after Esc", pressed);
        std::printf("\n");
        std::fflush(stdout);
    };
    load("on one line", oneLine, 0);
    load("in lines", lines, 0);
    load("in lines, Esc while read", lines, 200);
    load("in lines, Esc while filling", lines, 4000);
    // Two such documents at once took 10.9 GB here.
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof(memory);
    const double freeMiB = GlobalMemoryStatusEx(&memory) ? static_cast<double>(memory.ullAvailPhys) / (1024 * 1024) : 0;
    if (freeMiB > 12 * 1024.0) {
        load("in lines, over it", lines, 0);
    } else {
        std::printf("huge     100 MB in lines, over it: skipped, %.0f MiB of memory free (needs about 12 GiB)\n", freeMiB);
    }
    DeleteFileW(lines.c_str());
    DeleteFileW(oneLine.c_str());
}

const bool kRegistered =
    bench::RegisterGroup("typing", "per-key latency in 1 KiB, 1 MiB and 10 MiB documents against the plain edit control",
                         RunTyping) &&
    bench::RegisterGroup("longline", "10 MB on one line against the same bytes in lines, and the longest silence",
                         RunLongLine) &&
    bench::RegisterGroup("huge", "100 MB in lines and on one line, and Esc during a load over 100 MB", RunHuge);

}  // namespace
