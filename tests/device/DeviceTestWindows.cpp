// Helpers of the device-layer tests.
#include "DeviceTestWindows.h"

namespace devicetest {

namespace {
const wchar_t kObjectProperty[] = L"DeviceTestRecorder";
}

RecordingWindow::RecordingWindow(DWORD style, int x, int y, int width, int height, HWND parent) {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        wc.lpszClassName = L"DeviceTestRecorder";
        return RegisterClassW(&wc);
    }();
    hwnd_ = CreateWindowExW(0, MAKEINTATOM(atom), L"recorder", style, x, y, width, height, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetPropW(hwnd_, kObjectProperty, this);
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
}

RecordingWindow::~RecordingWindow() {
    if (IsWindow(hwnd_)) {
        RemovePropW(hwnd_, kObjectProperty);
        DestroyWindow(hwnd_);
    }
}

std::vector<MSG> RecordingWindow::Of(UINT message) const {
    std::vector<MSG> result;
    for (const MSG& record : records_) {
        if (record.message == message) result.push_back(record);
    }
    return result;
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* self = static_cast<RecordingWindow*>(GetPropW(hwnd, kObjectProperty))) {
        self->records_.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
        LRESULT result = 0;
        if (self->onMessage && self->onMessage(message, wParam, lParam, result)) return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PostKey(HWND target, UINT key, bool down) {
    LPARAM bits = (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16) | 1;
    PostMessageW(target, down ? WM_KEYDOWN : WM_KEYUP, key, down ? bits : (bits | 0xC0000000));
}

}  // namespace devicetest
