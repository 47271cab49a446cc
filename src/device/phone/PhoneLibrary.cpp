// phone.dll for the desktop: the device's phone library. PhoneMakeCall checks
// the call record, asks the user "拨打 <number>?" when the record asks for a
// prompt, and on Yes appends the call (time, number) to "call-log.txt" in the
// outbox folder. A bad record, a number too long for the prompt, the user's
// No and a log that could not be written each give a negative status.
#include <windows.h>

#include <cwchar>

#include "common/WideString.h"
#include "device/DeviceShell.h"
#include "device/Telephony.h"

using namespace brevitex;

namespace {

constexpr wchar_t kPhoneCaption[] = L"电话";

// The prompt goes through the host program's device message box when it
// exports one, so it behaves as every other box of the program.
int AskUser(const wchar_t* text, const wchar_t* caption) {
    auto hostBox = reinterpret_cast<HostMessageBoxFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), kHostMessageBoxName)));
    const UINT type = MB_YESNO | MB_ICONQUESTION;
    HWND owner = GetActiveWindow();
    return hostBox ? hostBox(owner, text, caption, type) : MessageBoxW(owner, text, caption, type);
}

}  // namespace

extern "C" LONG WINAPI PhoneMakeCall(PhoneCallInfo* info) {
    if (!info || info->size != sizeof(PhoneCallInfo)) return E_INVALIDARG;
    const DWORD known = kPhoneCallDefault | kPhoneCallPromptFirst;
    if ((info->flags & ~known) != 0 || info->flags == 0) return E_INVALIDARG;
    const wchar_t* number = info->destinationAddress;
    if (!number || !number[0]) return E_INVALIDARG;

    if (info->flags & kPhoneCallPromptFirst) {
        WideString question;
        // A prompt longer than a formatted text may be (a selection of some
        // thousands of digits) is refused before anything is asked or logged.
        if (!question.Format(L"拨打 %ls?", number)) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        const wchar_t* caption = info->applicationName && info->applicationName[0] ? info->applicationName : kPhoneCaption;
        if (AskUser(question, caption) != IDYES) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    }
    const wchar_t* fields[] = {number};
    if (!DeviceAppendOutboxRecord(kCallLogName, fields, 1)) {
        const DWORD error = GetLastError();
        return HRESULT_FROM_WIN32(error ? error : ERROR_WRITE_FAULT);
    }
    return S_OK;
}
