// Platform-type text and the one message-box function of the device layer.
#include <atomic>
#include <cwchar>

#include "device/DeviceShell.h"
#include "device/FileOperationWindows.h"

namespace brevitex {

namespace {

constexpr UINT kGetPlatformType = 257;  // SPI_GETPLATFORMTYPE on the device

// The hook and its context change together under the lock.
SRWLOCK g_messageBoxHookLock = SRWLOCK_INIT;
MessageBoxHook g_messageBoxHook = nullptr;
void* g_messageBoxContext = nullptr;

// -1: not yet known. Racing first callers all store the same answer.
std::atomic<int> g_isSmartphone{-1};

}  // namespace

bool DevicePlatformType(wchar_t* buffer, UINT capacity) {
    if (!buffer || capacity == 0) return false;
    buffer[0] = 0;
    if (SystemParametersInfoW(kGetPlatformType, capacity, buffer, 0) && buffer[0]) return true;
    wchar_t fromEnvironment[256] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_PLATFORM", fromEnvironment, 256);
    const wchar_t* type = (length > 0 && length < 256) ? fromEnvironment : L"PocketPC";
    if (wcslen(type) + 1 > capacity) return false;
    wcscpy(buffer, type);
    return true;
}

bool IsSmartphonePlatform() {
    int cached = g_isSmartphone.load();
    if (cached == -1) {
        wchar_t type[256] = {};
        cached = (DevicePlatformType(type, 256) && lstrcmpiW(type, L"SmartPhone") == 0) ? 1 : 0;
        g_isSmartphone.store(cached);
    }
    return cached == 1;
}

void ResetSmartphonePlatformCache() { g_isSmartphone.store(-1); }

void SetMessageBoxHook(MessageBoxHook hook, void* context) {
    AcquireSRWLockExclusive(&g_messageBoxHookLock);
    g_messageBoxHook = hook;
    g_messageBoxContext = context;
    ReleaseSRWLockExclusive(&g_messageBoxHookLock);
}

int DeviceMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    AcquireSRWLockShared(&g_messageBoxHookLock);
    MessageBoxHook hook = g_messageBoxHook;
    void* context = g_messageBoxContext;
    ReleaseSRWLockShared(&g_messageBoxHookLock);
    if (hook) {
        int answer = hook(owner, text, caption, type, context);
        if (answer != 0) return answer;
    }
    if ((type & MB_TYPEMASK) == kMessageBoxYesToAllNoCancel) return ShowYesToAllQuestion(owner, text, caption, type);
    return MessageBoxW(owner, text, caption, type);
}

}  // namespace brevitex

// The device's libraries (phone.dll) prompt through the program's message box:
// the executable exports it by this name (kHostMessageBoxName).
extern "C" __declspec(dllexport) int WINAPI BrevitexDeviceMessageBox(HWND owner, const wchar_t* text,
                                                                      const wchar_t* caption, UINT type) {
    return brevitex::DeviceMessageBox(owner, text, caption, type);
}
