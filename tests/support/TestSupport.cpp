// Test helpers shared by all test executables.
#include "support/TestSupport.h"

#include <shellapi.h>
#include <commctrl.h>

#include <cwchar>

#include "device/DeviceShell.h"

namespace testsupport {

namespace {

// "<build folder>\tmp\" as a device path: the build folder (BREVITEX_BUILD_DIR,
// a Unix path under Wine, whose root is the current drive's) without a drive.
std::wstring DeviceScratchFolder() {
    wchar_t build[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_BUILD_DIR", build, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    std::wstring folder(build, length);
    if (folder.size() > 2 && folder[1] == L':') folder.erase(0, 2);
    for (wchar_t& c : folder) {
        if (c == L'/') c = L'\\';
    }
    folder += L"\\tmp";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

}  // namespace

TempDir::TempDir(Form form) {
    wchar_t base[MAX_PATH] = {};
    if (form == kDevicePath) {
        lstrcpynW(base, DeviceScratchFolder().c_str(), MAX_PATH);
    } else {
        GetTempPathW(MAX_PATH, base);
    }
    static LONG counter = 0;
    for (;;) {
        wchar_t name[64];
        wsprintfW(name, L"bvx-%lu-%lu-%ld", GetCurrentProcessId(), GetTickCount(),
                  InterlockedIncrement(&counter));
        std::wstring candidate = std::wstring(base) + name;
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
}

TempDir::~TempDir() {
    std::wstring from = path_;
    from.push_back(L'\0');  // double-terminated list
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    // The device's own operation: the platform's would delete what links in
    // the folder point to.
    brevitex::DeviceFileOperation(&op);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadBytes(const std::wstring& path, std::string* bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    BOOL ok = bytes->empty() || ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr);
    CloseHandle(file);
    return ok && read == bytes->size();
}

void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpPending();
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

BoxAnswerer::BoxAnswerer(int answer) : answers_{answer} {
    InitializeCriticalSection(&lock_);
    brevitex::SetMessageBoxHook(&BoxAnswerer::Hook, this);
}

BoxAnswerer::~BoxAnswerer() {
    brevitex::SetMessageBoxHook(nullptr, nullptr);
    DeleteCriticalSection(&lock_);
}

std::vector<RecordedBox> BoxAnswerer::Boxes() const {
    EnterCriticalSection(&lock_);
    auto copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

int BoxAnswerer::Hook(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, void* context) {
    auto* self = static_cast<BoxAnswerer*>(context);
    EnterCriticalSection(&self->lock_);
    self->boxes_.push_back({owner, text ? text : L"", caption ? caption : L"", type});
    int answer = self->answers_.empty() ? IDOK : self->answers_[std::min(self->next_, self->answers_.size() - 1)];
    ++self->next_;
    LeaveCriticalSection(&self->lock_);
    return answer;
}

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length > 0) {
        old_.assign(length, L'\0');
        length = GetEnvironmentVariableW(name, old_.data(), length);
        old_.resize(length);
        hadValue_ = true;
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr); }

namespace {

// A path list (paths ended by an empty entry) as one string with its NULs.
std::wstring PathListText(const wchar_t* list) {
    if (!list) return L"<null>";
    const wchar_t* end = list;
    while (*end) end += wcslen(end) + 1;
    return std::wstring(list, end - list + 1);
}

}  // namespace

FileOperationRecorder::FileOperationRecorder(bool runForReal) : runForReal_(runForReal) {
    brevitex::SetFileOperationHook(&FileOperationRecorder::Hook, this);
}

FileOperationRecorder::~FileOperationRecorder() { brevitex::SetFileOperationHook(nullptr, nullptr); }

bool FileOperationRecorder::Hook(SHFILEOPSTRUCTW* operation, int* result, void* context) {
    auto* self = static_cast<FileOperationRecorder*>(context);
    self->operations_.push_back(
        {operation->wFunc, PathListText(operation->pFrom), PathListText(operation->pTo), operation->fFlags});
    if (!self->runForReal_) {
        *result = 0;
        return true;
    }
    operation->fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    return false;
}

namespace {

thread_local ModalDriver* t_driver = nullptr;

BOOL CALLBACK FindDialogProc(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindThreadDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

ModalDriver::ModalDriver(std::function<void(HWND)> action, DWORD timeoutMs)
    : action_(std::move(action)), timeoutMs_(timeoutMs), start_(GetTickCount()) {
    t_driver = this;
    timer_ = SetTimer(nullptr, 0, 30, &ModalDriver::Tick);
}

ModalDriver::~ModalDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    if (t_driver == this) t_driver = nullptr;
}

void CALLBACK ModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (t_driver) t_driver->OnTick();
}

void ModalDriver::OnTick() {
    if (acting_) return;
    HWND dialog = FindThreadDialog();
    if (!dialog) return;
    if (GetTickCount() - start_ > timeoutMs_) {
        timedOut_ = true;
        EndDialog(dialog, kTimedOutResult);
        return;
    }
    if (acted_) return;
    acting_ = true;
    acted_ = true;
    action_(dialog);
    acting_ = false;
}

void TapListItem(HWND list, int item) {
    RECT row{};
    ListView_GetItemRect(list, item, &row, LVIR_LABEL);
    const LPARAM point = MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageW(list, WM_LBUTTONUP, 0, point);
}

std::wstring MenuItemText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

std::wstring ProgramPath() {
    // Test executables live in build\tests, the program in build.
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    for (int i = 0; i < 2; ++i) path.erase(path.find_last_of(L'\\'));
    return path + L"\\brevitex.exe";
}

std::wstring ProgramCommandLine(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    return commandLine;
}

ChildProcess::ChildProcess(const std::wstring& commandLine, DWORD creationFlags) {
    std::wstring command = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &startup,
                        &process_)) {
        process_ = PROCESS_INFORMATION{};
    }
}

ChildProcess::~ChildProcess() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool ChildProcess::WaitForExit(DWORD* exitCode, DWORD timeoutMs) const {
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_.hProcess, exitCode) != FALSE;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

HWND FindOwnedDialog(HWND owner) {
    HWND dialog = nullptr;
    while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr) {
        if (GetWindow(dialog, GW_OWNER) == owner && IsWindowVisible(dialog)) return dialog;
    }
    return nullptr;
}

PlatformScope::PlatformScope(bool smartphone) {
    SetEnvironmentVariableW(L"BREVITEX_PLATFORM", smartphone ? L"SmartPhone" : L"PocketPC");
    brevitex::ResetSmartphonePlatformCache();
}

PlatformScope::~PlatformScope() {
    SetEnvironmentVariableW(L"BREVITEX_PLATFORM", nullptr);
    brevitex::ResetSmartphonePlatformCache();
}

}  // namespace testsupport

namespace {

// Every test process, and every program it starts, keeps the program's
// recovery copies in a scratch folder of its own, never in the user's.
struct OwnRecoveryFolder {
    OwnRecoveryFolder() { SetEnvironmentVariableW(L"BREVITEX_RECOVERY", folder.Path().c_str()); }
    testsupport::TempDir folder;
};
OwnRecoveryFolder g_ownRecoveryFolder;

}  // namespace
