// The frame tests' helpers and their process-wide set-up.
#include "FrameTestSupport.h"

#include "common/ParkedWindows.h"

#include "device/DeviceShell.h"
#include "common/Module.h"
#include "shell/AppModule.h"
#include "shell/FrameThread.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace brevitex;

namespace frametest {

namespace {

class ShellEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Module().Init(GetModuleHandleW(nullptr));
        ASSERT_NE(LoadLibraryW(L"RICHED20.DLL"), nullptr);
    }
};

[[maybe_unused]] auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace

// ---- Settings key -----------------------------------------------------------

void SettingsKeyGuard::Remove() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }

bool SettingsKeyGuard::Exists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

bool SettingsKeyGuard::ReadNumber(const wchar_t* name, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

void SettingsKeyGuard::WriteNumber(const wchar_t* name, DWORD value) { WriteRaw(name, REG_DWORD, &value, 4); }

void SettingsKeyGuard::WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
    RegCloseKey(key);
}

// ---- File browser -------------------------------------------------------------

BrowserAnswerer::BrowserAnswerer(INT_PTR result, std::wstring path, TextEncoding encoding)
    : result_(result), path_(std::move(path)), encoding_(encoding) {
    SetFileBrowserHook(&BrowserAnswerer::Hook, this);
}

BrowserAnswerer::~BrowserAnswerer() { SetFileBrowserHook(nullptr, nullptr); }

INT_PTR BrowserAnswerer::Hook(FileBrowserDialog& dialog, HWND owner, void* context) {
    auto* self = static_cast<BrowserAnswerer*>(context);
    BrowserCall call{dialog.Mode(), dialog.Path(), {}, dialog.Encoding(), owner};
    for (const wchar_t* part = dialog.Filter(); part && *part; part += wcslen(part) + 1) call.filter.push_back(part);
    self->calls_.push_back(call);
    if (self->result_ == IDOK) dialog.SetChoice(self->path_.c_str(), self->encoding_);
    return self->result_;
}

// ---- Frame on the test thread -------------------------------------------------

void FrameTest::SetUp() {
    DeviceAttachThread();
    RegisterThreadLoop(&loop_);
    ASSERT_NE(RegisterFrameClass(), 0);
}

void FrameTest::TearDown() {
    DestroyFrame();
    // As a frame thread's end would: controls parked by a close go now.
    ReleaseParkedWindows(false);
    UnregisterThreadLoop();
    DeviceDetachThread();
}

HWND FrameTest::CreateFrame(const std::wstring& commandLine) {
    frame_ = std::make_unique<MainFrame>();
    std::wstring line = commandLine;
    hwnd_ = frame_->CreateBound(0, kFrameClassName, L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ProgramInstance(),
                                line.data());
    if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
    Idle();
    return hwnd_;
}

void FrameTest::DestroyFrame() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    frame_.reset();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void FrameTest::Idle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (!loop_.PreTranslate(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    loop_.RunIdleHandlers();
}

bool FrameTest::Close() {
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    Idle();
    return !IsWindow(hwnd_);
}

void FrameTest::Type(const std::wstring& text) {
    SetFocus(Edit());
    for (wchar_t c : text) {
        // Enter arrives as a key press with its character, as from a keyboard.
        if (c == L'\n') {
            SendMessageW(Edit(), WM_KEYDOWN, VK_RETURN, 1);
            SendMessageW(Edit(), WM_CHAR, L'\r', 1);
            SendMessageW(Edit(), WM_KEYUP, VK_RETURN, 0xC0000001);
        } else {
            SendMessageW(Edit(), WM_CHAR, c, 1);
        }
    }
    Idle();
}

void FrameTest::Command(UINT id, UINT code) {
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, code), 0);
    Idle();
}

std::wstring FrameTest::Title() const { return WindowText(hwnd_); }

std::wstring FrameTest::EditText() const { return WindowText(Edit()); }

bool FrameTest::Modified() const { return SendMessageW(Edit(), EM_GETMODIFY, 0, 0) != 0; }

int FrameTest::MenuState(UINT id) {
    auto menu = reinterpret_cast<HMENU>(SendMessageW(frame_->CommandBar(), kMenuBarGetMenu, 0, 0));
    HMENU popup = PopupHolding(menu, id);
    if (!popup) return -1;
    SendMessageW(hwnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    return static_cast<int>(GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
}

// ---- Windows and menus ----------------------------------------------------------

std::vector<HWND> FrameWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->processId && wcscmp(name, kFrameClassName) == 0) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HMENU PopupHolding(HMENU menu, UINT id) {
    if (!menu) return nullptr;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (HMENU found = PopupHolding(sub, id)) return found;
        } else if (GetMenuItemID(menu, i) == id) {
            return menu;
        }
    }
    return nullptr;
}

}  // namespace frametest
