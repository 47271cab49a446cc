// Frame threads: one MainFrame and one message loop per thread.
#include "shell/FrameThread.h"

#include <atomic>
#include <cwchar>

#include "device/DeviceShell.h"
#include "common/Window.h"
#include "common/Module.h"
#include "common/ParkedWindows.h"
#include "shell/FrameThreadManager.h"
#include "shell/MainFrame.h"
#include "common/MessageLoop.h"

namespace brevitex {

namespace {

constexpr DWORD kFrameStyle = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
std::atomic<ATOM> g_frameAtom{0};

}  // namespace

wchar_t* PrepareCommandLine(wchar_t* commandLine) {
    if (!commandLine || !commandLine[0]) return commandLine;
    wchar_t quote = commandLine[0];
    if (quote != L'"' && quote != L'\'') return commandLine;
    wchar_t* text = commandLine + 1;
    if (wchar_t* last = wcsrchr(text, quote)) *last = 0;
    return text;
}

ATOM RegisterFrameClass() {
    if (ATOM atom = g_frameAtom.load()) return atom;
    ModuleLock hold;
    if (ATOM atom = g_frameAtom.load()) return atom;
    HINSTANCE instance = ProgramInstance();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hInstance = instance;
    wc.style = 0;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (ATOM atom = static_cast<ATOM>(GetClassInfoExW(instance, kFrameClassName, &existing))) {
        g_frameAtom.store(atom);
        return atom;
    }
    wc.lpfnWndProc = WindowBase::StartWindowProc;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, 0));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClassName;
    ATOM atom = RegisterClassExW(&wc);
    g_frameAtom.store(atom);
    return atom;
}

DWORD WINAPI FrameThreadProc(void* param) {
    auto* data = static_cast<FrameStartData*>(param);
    DeviceAttachThread();
    MessageLoop loop;
    RegisterThreadLoop(&loop);

    wchar_t* commandLine = PrepareCommandLine(data->commandLine);
    DWORD exitValue = 0;
    {
        MainFrame frame;

        HWND window = nullptr;
        if (RegisterFrameClass()) {
            window = frame.CreateBound(0, kFrameClassName, ApplicationTitle(), kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ProgramInstance(),
                                       commandLine ? commandLine : const_cast<wchar_t*>(L""));
        }
        // From here a later copy of the program can find this window.
        if (data->windowMade) SetEvent(data->windowMade);
        if (window) frame.SetAccelerators(LoadAcceleratorsW(ProgramInstance(), MAKEINTRESOURCEW(101)));
        int showCommand = data->showCommand;
        if (window && data->recoveryFile) frame.RestoreRecovered(data->recoveryFile);
        FreeOnHeap(data->commandLine);
        FreeOnHeap(data->recoveryFile);
        FreeOnHeap(data);

        if (window) {
            ShowWindow(window, showCommand);
            SetForegroundWindow(window);
            exitValue = static_cast<DWORD>(loop.RunLoop());
        }
        UnregisterThreadLoop();
    }
    // A long text parked as its window closed is freed here, unless the
    // process ends with this thread and gives its memory back at once.
    ReleaseParkedWindows(EndingLastFrameThread());
    DeviceDetachThread();
    return exitValue;
}

}  // namespace brevitex
