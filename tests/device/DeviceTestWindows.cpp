// Recording window and scoped environment for the device-layer tests.
#include "DeviceTestWindows.h"

namespace devicetest {

namespace {
const wchar_t kClassName[] = L"DeviceTestRecorder";
const wchar_t kObjectProperty[] = L"DeviceTestRecorderObject";

void RegisterRecorderClass() {
    static bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}
}  // namespace

RecordingWindow::RecordingWindow(DWORD style, int x, int y, int width, int height, HWND parent, DWORD exStyle) {
    RegisterRecorderClass();
    hwnd_ = CreateWindowExW(exStyle, kClassName, L"recorder", style, x, y, width, height, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    if (hwnd_) {
        SetPropW(hwnd_, kObjectProperty, this);
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
    }
}

RecordingWindow::~RecordingWindow() {
    if (hwnd_ && IsWindow(hwnd_)) {
        RemovePropW(hwnd_, kObjectProperty);
        DestroyWindow(hwnd_);
    }
}

int RecordingWindow::Count(UINT message) const {
    int count = 0;
    for (const Record& record : records_) count += record.message == message;
    return count;
}

std::vector<Record> RecordingWindow::Of(UINT message) const {
    std::vector<Record> result;
    for (const Record& record : records_) {
        if (record.message == message) result.push_back(record);
    }
    return result;
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<RecordingWindow*>(GetPropW(hwnd, kObjectProperty));
    if (self) {
        self->records_.push_back(Record{message, wParam, lParam});
        LRESULT result = 0;
        if (self->onMessage && self->onMessage(message, wParam, lParam, result)) return result;
        if (message == WM_NCDESTROY) {
            RemovePropW(hwnd, kObjectProperty);
            self->hwnd_ = nullptr;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t buffer[512];
    DWORD length = GetEnvironmentVariableW(name, buffer, 512);
    hadValue_ = length > 0 && length < 512;
    if (hadValue_) old_ = buffer;
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr);
}

void PostKey(HWND target, UINT key, bool down) {
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, down ? WM_KEYDOWN : WM_KEYUP, key, down ? (scan | 1) : (scan | 1 | 0xC0000000));
}

std::wstring TextOf(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace devicetest
