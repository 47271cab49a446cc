// Test helpers shared by all test executables.
#include "support/TestSupport.h"

#include <shellapi.h>

#include "device/DeviceShell.h"

namespace testsupport {

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
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
    SHFileOperationW(&op);
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

std::wstring ProgramPath() {
    // Test executables live in build\tests, the program in build.
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    for (int i = 0; i < 2; ++i) path.erase(path.find_last_of(L'\\'));
    return path + L"\\brevitex.exe";
}

}  // namespace testsupport
