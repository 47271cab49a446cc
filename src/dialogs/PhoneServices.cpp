// Short messages and calls through the device's libraries, which are found
// by name at run time; the program works on without them.
#include "dialogs/PhoneServices.h"

#include <cwchar>

#include "common/WideString.h"
#include "document/EditQueries.h"
#include "common/Module.h"
#include "device/DeviceShell.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

template <class Fn>
Fn EntryAs(DeviceLibrary& library, size_t index) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(library.Entry(index)));
}

}  // namespace

DWORD SmsAddressTypeOf(const wchar_t* number) {
    return wcsncmp(number, L"+86", 3) == 0 ? kSmsAddressInternational : kSmsAddressNational;
}

bool IsSendableNumber(const wchar_t* number) {
    if (!number) return false;
    const wchar_t* digits = number[0] == L'+' ? number + 1 : number;
    if (!digits[0]) return false;
    for (const wchar_t* c = digits; *c; ++c) {
        if (*c < L'0' || *c > L'9') return false;
    }
    return true;
}

HRESULT SendTextMessage(const wchar_t* number, const wchar_t* text, DeviceLibrary& sms) {
    // The address field holds 255 characters and its terminator: a longer
    // number would go cut short or unterminated, so it is refused here.
    const size_t numberLength = number ? wcsnlen(number, kSmsMaxAddress) : 0;
    if (numberLength == 0 || numberLength >= static_cast<size_t>(kSmsMaxAddress) || !text) return E_INVALIDARG;
    if (!IsSendableNumber(number)) return E_INVALIDARG;
    if (!sms.Complete()) return E_NOINTERFACE;
    auto open = EntryAs<SmsOpenFn>(sms, kSmsOpenEntry);
    auto send = EntryAs<SmsSendMessageFn>(sms, kSmsSendMessageEntry);
    auto close = EntryAs<SmsCloseFn>(sms, kSmsCloseEntry);

    SmsHandle handle = nullptr;
    HRESULT status = open(kTextSmsProtocol, kSmsModeSend, &handle, nullptr);
    if (FAILED(status)) return status;

    SmsAddress destination{};
    destination.addressType = SmsAddressTypeOf(number);
    wmemcpy(destination.address, number, numberLength);
    TextProviderData provider{};
    provider.messageClass = kSmsMessageClass1;
    DWORD messageId = 0;
    const DWORD bytes = static_cast<DWORD>(wcslen(text) * sizeof(wchar_t));
    status = send(handle, nullptr, &destination, nullptr, reinterpret_cast<const BYTE*>(text), bytes,
                  reinterpret_cast<const BYTE*>(&provider), sizeof(provider), kSmsEncodingOptimal, 0, &messageId);
    close(handle);
    return status;
}

HRESULT MakePhoneCall(HWND editControl, DeviceLibrary& phone) {
    WideString number;
    if (!SelectedLineText(editControl, number) || number.IsEmpty()) return S_FALSE;
    auto call = EntryAs<PhoneMakeCallFn>(phone, kPhoneMakeCallEntry);
    if (!call) return E_NOINTERFACE;
    PhoneCallInfo info{};
    info.size = sizeof(info);
    info.flags = kPhoneCallPromptFirst;
    info.destinationAddress = number;
    info.applicationName = ApplicationTitle();
    const HRESULT status = call(&info);
    // The user's No needs no word; any other failure is told, as the library
    // shows nothing of its own when it cannot prompt or log the call.
    if (FAILED(status) && status != HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        WideString report;
        if (!report.Load(IDS_CALL_FAILED)) report.Empty();
        DeviceMessageBox(GetAncestor(editControl, GA_ROOT), report, ApplicationTitle(), MB_OK | MB_ICONERROR);
    }
    return status;
}

}  // namespace brevitex
