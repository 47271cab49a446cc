// Benchmarks of big edits, set against the platform's plain edit control
// holding the same text in the same run: select all + Delete and its undo, the
// edit menu's delete command, Down and Up arrow steps, opening the find and
// go-to dialogs of a frame holding the document, and the resident memory a
// loaded document takes (each measured in a process of its own) against a
// bare rich edit control filled with the same text. Texts are 1 and 10 MiB of
// files in 70-character lines, ASCII or Chinese in UTF-8.
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Bench.h"
#include "common/MessageLoop.h"
#include "device/DeviceShell.h"
#include "document/EditStreams.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "shell/AppModule.h"
#include "shell/FrameThread.h"
#include "shell/MainFrame.h"

using brevitex::EditView;
using brevitex::TextEncoding;

namespace {

constexpr bench::FileKind kKinds[] = {
    {"ascii", false, "\r\n"},
    {"chinese", true, "\r\n"},
};
constexpr int kArrowPresses = 200;

void HandleMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring Widen(const std::string& bytes) {
    int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

// A shown top-level window on the device's portrait screen holding one child control.
class Host {
public:
    Host() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrevitexEditsBench";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 480, 640, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    }
    ~Host() {
        if (window_) DestroyWindow(window_);
        HandleMessages();
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    HWND Window() const { return window_; }

private:
    HWND window_ = nullptr;
};

// The platform's plain multi-line edit control, without word wrap.
HWND CreatePlainEdit(HWND parent) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                    ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                                0, 0, 480, 600, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (edit) SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    return edit;
}

double Seconds(const auto& body) {
    double start = bench::Now();
    body();
    HandleMessages();
    return bench::Now() - start;
}

int TextLength(HWND edit) { return GetWindowTextLengthW(edit); }

// Select all, Delete, then undo: seconds for each and whether the text came back.
struct DeleteFigures {
    double remove = 0, undo = 0;
    bool restored = false;
};

// Select all, delete (the Delete key or the delete command), then undo; the
// control is asked for each time, as an edit may put another in its place.
DeleteFigures DeleteAndUndo(const std::function<HWND()>& edit, UINT undoMessage, bool command) {
    DeleteFigures figures;
    const int before = TextLength(edit());
    SendMessageW(edit(), EM_SETSEL, 0, -1);
    figures.remove = Seconds([&] {
        if (command) {
            SendMessageW(edit(), WM_CLEAR, 0, 0);
        } else {
            SendMessageW(edit(), WM_KEYDOWN, VK_DELETE, 0);
            SendMessageW(edit(), WM_KEYUP, VK_DELETE, 0);
        }
    });
    const bool emptied = TextLength(edit()) == 0;
    figures.undo = Seconds([&] { SendMessageW(edit(), undoMessage, 0, 0); });
    figures.restored = emptied && TextLength(edit()) == before;
    return figures;
}

// The median seconds of one Down press (then one Up press) from the top,
// painted before the next.
double ArrowStep(HWND edit, UINT key) {
    std::vector<double> steps;
    for (int i = 0; i < kArrowPresses; ++i) {
        steps.push_back(Seconds([&] {
            SendMessageW(edit, WM_KEYDOWN, key, 0);
            SendMessageW(edit, WM_KEYUP, key, 0);
            UpdateWindow(edit);
        }));
    }
    std::sort(steps.begin(), steps.end());
    return steps[steps.size() / 2];
}

void PrintRow(const char* what, double ours, double peer, bool ok = true) {
    std::printf("  %-34s %9.3f s  edit control %8.3f s  ratio %7.1f%s\n", what, ours, peer,
                peer > 0 ? ours / peer : 0.0, ok ? "" : "  (TEXT NOT RESTORED)");
}

void PrintMsRow(const char* what, double ours, double peer) {
    std::printf("  %-34s %9.2f ms edit control %8.2f ms ratio %7.2f\n", what, ours * 1e3, peer * 1e3,
                peer > 0 ? ours / peer : 0.0);
}

void RunEditsOn(const bench::FileKind& kind, size_t mib, const std::wstring& path) {
    std::string bytes = bench::FileBytes(kind, mib << 20);
    if (!bench::WriteFileBytes(path, bytes)) {
        std::printf("  cannot write %ls\n", path.c_str());
        return;
    }
    std::wstring text = Widen(bytes);
    std::printf("%s %zu MiB (%zu characters)\n", kind.name, mib, text.size());
    Host host;
    EditView view;
    RECT rect{0, 0, 480, 600};
    HWND ours = view.Create(host.Window(), rect, brevitex::kEditViewNoWrapStyle);
    HWND peer = CreatePlainEdit(host.Window());
    ShowWindow(peer, SW_HIDE);
    if (!ours || !peer || !view.LoadDocument(path.c_str(), TextEncoding::AutoDetect)) {
        std::printf("  cannot load the view or create the edit control\n");
        return;
    }
    SetWindowTextW(peer, text.c_str());
    HandleMessages();

    ours = view.Handle();
    SetFocus(ours);
    const double oursDown = ArrowStep(ours, VK_DOWN);
    const double oursUp = ArrowStep(ours, VK_UP);
    ShowWindow(ours, SW_HIDE);
    ShowWindow(peer, SW_SHOW);
    SetFocus(peer);
    const double peerDown = ArrowStep(peer, VK_DOWN);
    const double peerUp = ArrowStep(peer, VK_UP);
    PrintMsRow("Down arrow (median)", oursDown, peerDown);
    PrintMsRow("Up arrow (median)", oursUp, peerUp);

    auto peerWindow = [peer] { return peer; };
    auto viewWindow = [&view] { return view.Handle(); };
    DeleteFigures peerKey = DeleteAndUndo(peerWindow, WM_UNDO, false);
    DeleteFigures peerCommand = DeleteAndUndo(peerWindow, WM_UNDO, true);
    ShowWindow(peer, SW_HIDE);
    ShowWindow(view.Handle(), SW_SHOW);
    SetFocus(view.Handle());
    DeleteFigures oursKey = DeleteAndUndo(viewWindow, EM_UNDO, false);
    PrintRow("select all + Delete key", oursKey.remove, peerKey.remove);
    PrintRow("undo of it", oursKey.undo, peerKey.undo, oursKey.restored);
    DeleteFigures oursCommand = DeleteAndUndo(viewWindow, EM_UNDO, true);
    PrintRow("select all + delete command", oursCommand.remove, peerCommand.remove);
    PrintRow("undo of it", oursCommand.undo, peerCommand.undo, oursCommand.restored);
    DestroyWindow(view.Handle());
    DestroyWindow(peer);
}

// Seconds from a command to the frame until the thread is idle again, with
// the dialog it opened up; the dialog is then closed.
class DialogTimer {
public:
    // Seconds until the dialog was up with the thread idle, then until it had
    // closed again with the thread idle.
    struct Times {
        double open, close;
    };
    static Times Open(HWND frame, UINT command) {
        opened_ = 0;
        start_ = bench::Now();
        UINT_PTR timer = SetTimer(nullptr, 0, 1, &DialogTimer::OnTimer);
        SendMessageW(frame, WM_COMMAND, command, 0);
        // A modeless dialog: wait for the first idle moment here.
        while (opened_ == 0) {
            MSG message;
            if (!GetMessageW(&message, nullptr, 0, 0)) break;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        KillTimer(nullptr, timer);
        HandleMessages();
        return {opened_ - start_, bench::Now() - opened_};
    }

private:
    static HWND FindOwnDialog(HWND frame) {
        HWND found = nullptr;
        for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
            wchar_t name[16] = {};
            if (GetWindow(window, GW_OWNER) == frame && IsWindowVisible(window) && GetClassNameW(window, name, 16) &&
                wcscmp(name, L"#32770") == 0) {
                found = window;
            }
        }
        return found;
    }
    // The first moment the thread is idle with the dialog shown.
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        if (opened_ != 0) return;
        HWND dialog = FindOwnDialog(frame_);
        if (!dialog) return;
        opened_ = bench::Now();
        // A modal dialog runs its own loop: end it from here.
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }

public:
    static inline HWND frame_ = nullptr;

private:
    static inline double start_ = 0;
    static inline double opened_ = 0;
};

void RunDialogs(const bench::FileKind& kind, size_t mib, const std::wstring& path) {
    if (!bench::WriteFileBytes(path, bench::FileBytes(kind, mib << 20))) return;
    brevitex::DeviceAttachThread();
    brevitex::MessageLoop loop;
    brevitex::RegisterThreadLoop(&loop);
    brevitex::RegisterFrameClass();
    {
        brevitex::MainFrame frame;
        std::wstring line = path;
        HWND window = frame.CreateBound(0, brevitex::kFrameClassName, L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), line.data());
        if (!window) std::printf("  cannot create a frame\n");
        if (window) {
            ShowWindow(window, SW_SHOW);
            HandleMessages();
            DialogTimer::frame_ = window;
            std::printf("%s %zu MiB in a frame (%d characters)\n", kind.name, mib, TextLength(frame.EditWindow()));
            auto find = DialogTimer::Open(window, ID_EDIT_FIND);
            auto goTo = DialogTimer::Open(window, ID_VIEW_GOTO);
            std::printf("  %-34s %9.3f s  (aim 0.1 s), closing it %.3f s\n", "open find / replace", find.open,
                        find.close);
            std::printf("  %-34s %9.3f s  (aim 0.1 s), closing it %.3f s\n", "open go to line", goTo.open,
                        goTo.close);
            SendMessageW(frame.EditWindow(), EM_SETMODIFY, FALSE, 0);
            DestroyWindow(window);
            HandleMessages();
        }
    }
    brevitex::UnregisterThreadLoop();
    brevitex::DeviceDetachThread();
}

// Resident kilobytes of this process.
size_t ResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
    return counters.WorkingSetSize / 1024;
}

// Runs this program as another process measuring one host; its resident
// growth in KiB, or 0.
size_t MeasureInChild(const char* host, const std::wstring& path) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --resident " + std::wstring(host, host + strlen(host)) +
                           L" \"" + path + L"\"";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 0;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    char buffer[256];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) output.append(buffer, got);
    CloseHandle(readEnd);
    if (!started) return 0;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<size_t>(std::strtoull(output.c_str(), nullptr, 10));
}

void RunMemory(const bench::FileKind& kind, size_t mib, const std::wstring& path) {
    if (!bench::WriteFileBytes(path, bench::FileBytes(kind, mib << 20))) return;
    size_t view = MeasureInChild("view", path);
    size_t bare = MeasureInChild("richedit", path);
    size_t plain = MeasureInChild("edit", path);
    std::printf("%s %zu MiB resident growth: view %zu MB, bare rich edit %zu MB (ratio %.2f), plain edit %zu MB\n",
                kind.name, mib, view / 1024, bare / 1024, bare ? static_cast<double>(view) / bare : 0.0, plain / 1024);
}

void RunEdits(const bench::Options& options) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    if (!LoadLibraryW(L"RICHED20.DLL")) {
        std::printf("edits: the rich edit library is missing\n");
        return;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<size_t> sizes{1, 10};
    if (options.inputBytes != bench::Options{}.inputBytes) sizes = {options.inputBytes >> 20};
    std::wstring path = bench::TempFolder() + L"brevitex-edits-bench.txt";
    for (size_t mib : sizes) {
        for (const auto& kind : kKinds) RunEditsOn(kind, mib, path);
    }
    for (size_t mib : sizes) {
        for (const auto& kind : kKinds) RunDialogs(kind, mib, path);
    }
    for (size_t mib : sizes) {
        for (const auto& kind : kKinds) RunMemory(kind, mib, path);
    }
    DeleteFileW(path.c_str());
}

const bool kRegistered = bench::RegisterGroup(
    "edits", "select all + Delete and undo, arrows, dialogs and memory against the plain edit control", RunEdits);

}  // namespace

namespace bench {

// The other process of the memory figures: loads the file into one host and
// prints how many KiB the process grew by.
int MeasureResident(const wchar_t* host, const wchar_t* path) {
    brevitex::Module().Init(GetModuleHandleW(nullptr));
    LoadLibraryW(L"RICHED20.DLL");
    Host window;
    EditView view;
    RECT rect{0, 0, 480, 600};
    HWND control = nullptr;
    std::wstring text;
    if (wcscmp(host, L"view") != 0) {
        std::string bytes;
        HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER size{};
        if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size)) return 1;
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(file);
        text = Widen(bytes);
    }
    if (wcscmp(host, L"view") == 0) {
        control = view.Create(window.Window(), rect, brevitex::kEditViewNoWrapStyle);
    } else if (wcscmp(host, L"richedit") == 0) {
        control = CreateWindowExW(0, L"RICHEDIT50W", L"", brevitex::kEditViewNoWrapStyle, 0, 0,
                                  480, 600, window.Window(), nullptr, GetModuleHandleW(nullptr), nullptr);
        if (control) {
            SendMessageW(control, EM_SETTEXTMODE, 1, 0);
            SendMessageW(control, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        }
    } else {
        control = CreatePlainEdit(window.Window());
    }
    if (!control) return 1;
    HandleMessages();
    const size_t before = ResidentKiB();
    if (wcscmp(host, L"view") == 0) {
        if (!view.LoadDocument(path, TextEncoding::AutoDetect)) return 1;
    } else if (wcscmp(host, L"richedit") == 0) {
        // The same text the view would take: one CR for each break.
        std::wstring units;
        units.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
            units += text[i] == L'\n' ? L'\r' : text[i];
        }
        text.clear();
        text.shrink_to_fit();
        brevitex::WideString wide;
        if (!wide.Assign(units.c_str(), static_cast<int>(units.size()))) return 1;
        units.clear();
        units.shrink_to_fit();
        auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
        if (!brevitex::PutControlText(control, proc, wide, nullptr)) return 1;
    } else {
        SetWindowTextW(control, text.c_str());
        text.clear();
        text.shrink_to_fit();
    }
    HandleMessages();
    const size_t after = ResidentKiB();
    std::printf("%zu\n", after > before ? after - before : 0);
    return 0;
}

}  // namespace bench
