// The view tests' helpers and their process-wide set-up.
#include "ViewTestSupport.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include "device/DeviceShell.h"
#include "shell/AppModule.h"
#include "support/TestSupport.h"

namespace viewtest {

namespace {

const wchar_t kParentClass[] = L"BrevitexViewTestParent";

class ViewEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        brevitex::Module().Init(GetModuleHandleW(nullptr));
        ASSERT_NE(LoadLibraryW(L"RICHED20.DLL"), nullptr);
        brevitex::DeviceAttachThread();
    }
    void TearDown() override { brevitex::DeviceDetachThread(); }
};

[[maybe_unused]] auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ViewEnvironment);

DWORD CALLBACK CollectOut(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* taken) {
    reinterpret_cast<std::wstring*>(cookie)->append(reinterpret_cast<const wchar_t*>(buffer), count / 2);
    *taken = count;
    return 0;
}

}  // namespace

ParentWindow::ParentWindow(int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kParentClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, kParentClass, L"view test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            width, height, nullptr, nullptr, wc.hInstance, this);
}

ParentWindow::~ParentWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int ParentWindow::Count(UINT message) const {
    auto it = counts_.find(message);
    return it == counts_.end() ? 0 : it->second;
}

LRESULT CALLBACK ParentWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ParentWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) {
        ++self->counts_[message];
        if (message == WM_INITMENUPOPUP) {
            self->popups_.push_back(reinterpret_cast<HMENU>(wParam));
            self->popupItems.push_back(MenuIds(reinterpret_cast<HMENU>(wParam)));
        }
        if (message == WM_NCDESTROY) self->hwnd_ = nullptr;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring StreamedText(HWND edit) {
    std::wstring text;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&text), 0, CollectOut};
    SendMessageW(edit, EM_STREAMOUT, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
    return text;
}

void SetText(HWND edit, const wchar_t* text) { SetWindowTextW(edit, text); }

std::vector<UINT> MenuIds(HMENU menu) {
    std::vector<UINT> ids;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) ids.push_back(GetMenuItemID(menu, i) == static_cast<UINT>(-1) ? 0 : GetMenuItemID(menu, i));
    return ids;
}

bool TakePosted(HWND window, UINT message) {
    MSG msg;
    return PeekMessageW(&msg, window, message, message, PM_REMOVE) != FALSE;
}

std::string Bytes(const std::wstring& path) {
    std::string bytes;
    if (!testsupport::ReadBytes(path, &bytes)) return "<unreadable>";
    return bytes;
}

}  // namespace viewtest
