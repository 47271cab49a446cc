// Benchmarks of find and replace in a real rich edit control: Find Next over
// a long text whose only occurrence is at the end (a full line-by-line scan),
// set against a plain in-memory scan of the same text, and Replace All of a
// three-letter word with 10,000 occurrences.
#include <windows.h>
#include <richedit.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

#include "Bench.h"
#include "device/DeviceShell.h"
#include "dialogs/FindReplaceDialog.h"
#include "ViewHost.h"
#include "resources/resource.h"
#include "shell/AppModule.h"

using brevitex::FindReplaceDialog;

namespace {

constexpr size_t kScanChars = size_t{10} << 20;
constexpr size_t kReplaceChars = size_t{2} << 20;
constexpr int kOccurrences = 10000;
const wchar_t kNeedle[] = L"needle#42";  // '#' never appears in the generated words

struct Lcg {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

// Lines of about 60 characters of lower-case words; `letters` are the ones used.
std::wstring Words(size_t chars, const wchar_t* letters, Lcg& rng) {
    const size_t letterCount = wcslen(letters);
    std::wstring text;
    text.reserve(chars + 64);
    size_t lineStart = 0;
    while (text.size() < chars) {
        const size_t word = 1 + rng.Next() % 8;
        for (size_t i = 0; i < word; ++i) text += letters[rng.Next() % letterCount];
        if (text.size() - lineStart > 60) {
            text += L'\r';
            lineStart = text.size();
        } else {
            text += L' ';
        }
    }
    return text;
}

// A window with a rich edit control of the view's kind, filled with text.
struct EditWindow {
    HWND frame = nullptr;
    HWND edit = nullptr;

    explicit EditWindow(const std::wstring& text) {
        LoadLibraryW(L"RICHED20.DLL");
        frame = CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 480, 640, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        edit = CreateWindowExW(0, L"RICHEDIT50W", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                               ES_AUTOVSCROLL | ES_NOHIDESEL | WS_HSCROLL | ES_AUTOHSCROLL, 0, 0, 480, 640,
                               frame, nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
        SetWindowTextW(edit, text.c_str());
        SendMessageW(edit, EM_SETSEL, 0, 0);
    }
    ~EditWindow() {
        if (frame) DestroyWindow(frame);
    }
    bool Ready() const { return edit != nullptr; }
};

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void RunFindScan(const bench::Options& options) {
    Lcg rng;
    std::wstring text = Words(kScanChars, L"abcdefghijklmnopqrstuvwxyz", rng);
    text += kNeedle;
    const size_t bytes = text.size() * sizeof(wchar_t);
    EditWindow window(text);
    if (!window.Ready()) {
        std::printf("find     no rich edit control could be created\n");
        return;
    }
    const int lines = static_cast<int>(SendMessageW(window.edit, EM_GETLINECOUNT, 0, 0));
    // A bare control is searched by reading it line by line each time.
    int found = -1;
    const double bare = bench::BestSeconds(options.runs, [&] {
        SendMessageW(window.edit, EM_SETSEL, 0, 0);
        found = FindReplaceDialog::FindNext(window.edit, kNeedle, false, false);
    });
    // The view: the first search after a change copies the text out, later ones search that copy.
    bench::ViewHost host;
    HWND view = host.view.Handle();
    SetWindowTextW(view, text.c_str());
    int foundInView = -1;
    const double first = bench::BestSeconds(options.runs, [&] {
        SendMessageW(view, EM_SETSEL, 0, 0);
        SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        foundInView = FindReplaceDialog::FindNext(view, kNeedle, false, false);
    });
    const double ours = bench::BestSeconds(options.runs, [&] {
        SendMessageW(view, EM_SETSEL, 0, 0);
        foundInView = FindReplaceDialog::FindNext(view, kNeedle, false, false);
    });
    const wchar_t* hit = nullptr;
    const double plain = bench::BestSeconds(options.runs, [&] { hit = wcsstr(text.c_str(), kNeedle); });
    // What reading the text out of the control costs by itself, in the same 1M blocks.
    const double copyOut = bench::BestSeconds(options.runs, [&] {
        std::wstring block(size_t{1} << 20, L'\0');
        for (LONG pos = 0;;) {
            TEXTRANGEW range{{pos, pos + static_cast<LONG>(block.size()) - 1}, block.data()};
            const LONG got = static_cast<LONG>(
                SendMessageW(window.edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
            if (got <= 0) break;
            pos += got;
        }
    });
    const int expected = static_cast<int>(text.size() - wcslen(kNeedle));
    const bool right = found == expected && foundInView == expected && hit != nullptr;
    std::printf("find     %zu chars in %d lines (%.1f MB as UTF-16), the only occurrence at the end%s\n", text.size(),
                lines, bytes / 1e6, right ? "" : "  (WRONG RESULT)");
    std::printf("find     Find Next (case folded)        %9.4f s %8.1f MB/s   in the view, the text unchanged\n", ours,
                bench::MegabytesPerSecond(bytes, ours));
    std::printf("find     the first one after an edit    %9.4f s %8.1f MB/s   in the view\n", first,
                bench::MegabytesPerSecond(bytes, first));
    std::printf("find     in a bare control              %9.4f s %8.1f MB/s   read out line by line\n", bare,
                bench::MegabytesPerSecond(bytes, bare));
    std::printf("find     wcsstr on the text in memory   %9.4f s %8.1f MB/s   Find Next takes %.1fx as long\n", plain,
                bench::MegabytesPerSecond(bytes, plain), plain > 0 ? ours / plain : 0.0);
    std::printf("find     the control's copy-out alone   %9.4f s %8.1f MB/s\n", copyOut,
                bench::MegabytesPerSecond(bytes, copyOut));
}

void RunReplaceAll(const bench::Options&) {
    // Filler without the letter c, so "cat" occurs exactly where it is put.
    Lcg rng;
    std::wstring filler = Words(kReplaceChars, L"abdefghijklmnopqrstuvwxyz", rng);
    std::wstring text;
    text.reserve(filler.size() + kOccurrences * 4);
    const size_t step = filler.size() / kOccurrences;
    for (int i = 0; i < kOccurrences; ++i) {
        text.append(filler, i * step, step);
        text += L" cat";
    }
    size_t dogsBefore = 0;
    for (size_t at = text.find(L"dog"); at != std::wstring::npos; at = text.find(L"dog", at + 3)) ++dogsBefore;
    // In the view, as in the program: a Replace All over many words there
    // hands the view most of the result at once.
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    brevitex::DeviceAttachThread();
    LoadLibraryW(L"RICHED20.DLL");
    bench::ViewHost host;
    if (!host.view.Handle()) {
        std::printf("replace  no edit view could be created\n");
        return;
    }
    SetWindowTextW(host.view.Handle(), text.c_str());
    SendMessageW(host.view.Handle(), EM_SETSEL, 0, 0);
    FindReplaceDialog dialog;
    if (dialog.OpenModeless(host.view.Handle()) != 1) {
        std::printf("replace  the dialog could not be opened\n");
        return;
    }
    HWND box = dialog.Handle();
    SetWindowTextW(GetDlgItem(box, IDC_FIND_TEXT), L"cat");
    SetWindowTextW(GetDlgItem(box, IDC_REPLACE_TEXT), L"dog");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_REPLACE_ALL, BN_CLICKED), 0);
    QueryPerformanceCounter(&end);
    const double seconds = Seconds(start, end);
    HWND edit = host.view.Handle();
    const int left = FindReplaceDialog::FindNext(edit, L"cat", true, false);
    const int dogs = [&] {
        int count = 0;
        for (int pos = 0;; ++count) {
            pos = brevitex::SearchEdit(edit, pos, GetWindowTextLengthW(edit), L"dog", true, false);
            if (pos < 0) break;
            pos += 3;
        }
        return count;
    }();
    const bool right = left < 0 && dogs == static_cast<int>(dogsBefore) + kOccurrences;
    std::printf("replace  Replace All of %d words in %zu chars: %.3f s (%.1f us each)%s\n", kOccurrences, text.size(),
                seconds, seconds * 1e6 / kOccurrences, right ? "" : "  (WRONG RESULT)");
}

const bool kRegistered =
    bench::RegisterGroup("find", "Find Next over 10 Mi characters against wcsstr", RunFindScan) &&
    bench::RegisterGroup("replace", "Replace All of 10,000 words in 2 Mi characters", RunReplaceAll);

}  // namespace
