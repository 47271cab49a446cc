// sms.dll for the desktop: the device's short-message library. It opens send
// handles for the text protocol, checks every message it is given and appends
// what it accepts to the outbox file "sms-outbox.txt" (time, address type,
// number, text). A bad argument gives a negative status.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <new>
#include <vector>

#include "common/WideString.h"
#include "device/DeviceShell.h"
#include "device/Telephony.h"

using namespace brevitex;

namespace {

constexpr DWORD kMaxMessageClass = 3;
constexpr DWORD kSmsEncodingGsm = 1;

SRWLOCK g_lock = SRWLOCK_INIT;
std::vector<void*> g_handles;
DWORD g_nextMessageId = 1;
bool g_haveSubmission = false;
SmsAddress g_lastDestination;
TextProviderData g_lastProviderData;

class LockScope {
public:
    LockScope() { AcquireSRWLockExclusive(&g_lock); }
    ~LockScope() { ReleaseSRWLockExclusive(&g_lock); }
};

bool IsOpenHandle(SmsHandle handle) {
    return std::find(g_handles.begin(), g_handles.end(), handle) != g_handles.end();
}

// An address the library can deliver to: international or national type, a
// number that is not empty and ends within the field.
bool IsValidDestination(const SmsAddress* address) {
    if (!address) return false;
    if (address->addressType != kSmsAddressInternational && address->addressType != kSmsAddressNational) return false;
    const size_t length = wcsnlen(address->address, kSmsMaxAddress);
    return length > 0 && length < static_cast<size_t>(kSmsMaxAddress);
}

bool IsValidProviderData(const BYTE* data, DWORD size) {
    if (!data || size != sizeof(TextProviderData)) return false;
    const auto* provider = reinterpret_cast<const TextProviderData*>(data);
    return provider->messageClass <= kMaxMessageClass && provider->headerDataSize <= sizeof(provider->rest);
}

HRESULT LastErrorStatus() {
    const DWORD error = GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_WRITE_FAULT);
}

}  // namespace

extern "C" {

HRESULT WINAPI SmsOpen(const wchar_t* protocol, DWORD modes, SmsHandle* handle, HANDLE* messageAvailableEvent) {
    if (!protocol || wcscmp(protocol, kTextSmsProtocol) != 0) return E_INVALIDARG;
    if (modes != kSmsModeSend || !handle) return E_INVALIDARG;
    // Sending only: there is never a message to receive, so no event is handed out.
    if (messageAvailableEvent) *messageAvailableEvent = nullptr;
    auto* opened = new (std::nothrow) DWORD(modes);
    if (!opened) return E_OUTOFMEMORY;
    LockScope hold;
    try {
        g_handles.push_back(opened);
    } catch (...) {
        delete opened;
        return E_OUTOFMEMORY;
    }
    *handle = opened;
    return S_OK;
}

HRESULT WINAPI SmsSendMessage(SmsHandle handle, const SmsAddress* serviceCenter, const SmsAddress* destination,
                              const SYSTEMTIME* validityPeriod, const BYTE* data, DWORD dataSize,
                              const BYTE* providerData, DWORD providerDataSize, DWORD dataEncoding, DWORD options,
                              DWORD* messageId) {
    {
        LockScope hold;
        if (!IsOpenHandle(handle)) return E_HANDLE;
    }
    if (!IsValidDestination(destination)) return E_INVALIDARG;
    if (!data || dataSize == 0 || dataSize % sizeof(wchar_t) != 0) return E_INVALIDARG;
    if (!IsValidProviderData(providerData, providerDataSize)) return E_INVALIDARG;
    if (dataEncoding != kSmsEncodingOptimal && dataEncoding != kSmsEncodingGsm && dataEncoding != kSmsEncodingUcs2) {
        return E_INVALIDARG;
    }
    if (options > kSmsOptionStatusReport) return E_INVALIDARG;

    WideString text(reinterpret_cast<const wchar_t*>(data), static_cast<int>(dataSize / sizeof(wchar_t)));
    if (text.Length() != static_cast<int>(dataSize / sizeof(wchar_t))) return E_OUTOFMEMORY;
    wchar_t type[12] = {};
    _snwprintf(type, 12, L"%lu", destination->addressType);
    // The text goes by its size: a NUL inside it is recorded, not an end.
    const wchar_t* fields[] = {type, destination->address, text};
    const int lengths[] = {-1, -1, text.Length()};
    if (!DeviceAppendOutboxRecord(kSmsOutboxName, fields, 3, lengths)) return LastErrorStatus();

    LockScope hold;
    g_lastDestination = *destination;
    g_lastProviderData = *reinterpret_cast<const TextProviderData*>(providerData);
    g_haveSubmission = true;
    if (messageId) *messageId = g_nextMessageId;
    ++g_nextMessageId;
    return S_OK;
}

HRESULT WINAPI SmsClose(SmsHandle handle) {
    LockScope hold;
    auto found = std::find(g_handles.begin(), g_handles.end(), handle);
    if (found == g_handles.end()) return E_HANDLE;
    g_handles.erase(found);
    delete static_cast<DWORD*>(handle);
    return S_OK;
}

BOOL WINAPI SmsLastSubmission(SmsAddress* destination, TextProviderData* providerData) {
    LockScope hold;
    if (!g_haveSubmission) return FALSE;
    if (destination) *destination = g_lastDestination;
    if (providerData) *providerData = g_lastProviderData;
    return TRUE;
}

}  // extern "C"
