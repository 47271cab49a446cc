// MainFrame: window-level messages of the editor frame.
#include "shell/MainFrame.h"

#include <cwchar>

#include "common/Messages.h"
#include "common/WideString.h"
#include "shell/AppModule.h"
#include "shell/FrameThreadManager.h"

namespace brevitex {

const MessageMapEntry<MainFrame> MainFrame::kMessageMap[] = {
    BX_MESSAGE(WM_CREATE, OnCreate),
    BX_MESSAGE(WM_CLOSE, OnClose),
    BX_MESSAGE(WM_COPYDATA, OnCopyData),
    BX_MESSAGE(WM_DESTROY, OnDestroy),
};

bool MainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMessageMap, message, wParam, lParam, result);
}

bool MainFrame::OnCreate(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetTitleFor(static_cast<const wchar_t*>(create->lpCreateParams));
    result = 0;
    return true;
}

// Title: the file-name part of the path, " - ", the application title.
void MainFrame::SetTitleFor(const wchar_t* path) {
    if (!path || !path[0]) return;
    const wchar_t* name = wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    WideString title;
    if (title.Format(L"%s - %s", name, Module().Title())) SetWindowTextW(hwnd_, title);
}

bool MainFrame::OnClose(WPARAM, LPARAM, LRESULT&) {
    // Allowed: the default procedure destroys the window.
    return false;
}

bool MainFrame::OnCopyData(WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || !data->lpData || data->cbData == 0) return true;
    // Never read past cbData: at most cbData / 2 units, terminated here.
    wchar_t* copy = DuplicateOnHeap(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    if (!copy) return true;
    if (!PostThreadMessageW(Module().MainThreadId(), UWM_NEW_FRAME, data->dwData, reinterpret_cast<LPARAM>(copy))) {
        FreeOnHeap(copy);
    }
    return true;
}

bool MainFrame::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    PostQuitMessage(1);
    return false;
}

}  // namespace brevitex
