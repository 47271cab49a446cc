// The device's short-message and phone libraries ("sms.dll", "phone.dll"):
// their entry points and the records that pass through them, laid out as the
// platform publishes them. Shared by the program, which loads the libraries
// by name at run time, and by the desktop builds of the libraries.
#pragma once

#include <windows.h>

#include <cstddef>

namespace brevitex {

// ---- sms.dll ----------------------------------------------------------------

inline constexpr wchar_t kSmsLibraryName[] = L"sms.dll";
inline constexpr wchar_t kTextSmsProtocol[] = L"Microsoft Text SMS Protocol";
inline constexpr DWORD kSmsModeSend = 2;           // SMS_MODE_SEND
inline constexpr DWORD kSmsAddressInternational = 1;
inline constexpr DWORD kSmsAddressNational = 2;
inline constexpr DWORD kSmsEncodingOptimal = 0;    // SMSDE_OPTIMAL
inline constexpr DWORD kSmsEncodingUcs2 = 2;       // SMSDE_UCS2
inline constexpr DWORD kSmsOptionStatusReport = 1; // SMS_OPTION_DELIVERY_STATUS
inline constexpr DWORD kSmsMessageClass1 = 1;
inline constexpr int kSmsMaxAddress = 256;

using SmsHandle = HANDLE;

// Destination (or service-centre) address.
struct SmsAddress {
    DWORD addressType;
    wchar_t address[kSmsMaxAddress];
};
static_assert(sizeof(SmsAddress) == 516);

// Provider data of the text protocol.
struct TextProviderData {
    DWORD messageOptions;
    DWORD messageClass;
    DWORD replaceOption;
    DWORD headerDataSize;
    BYTE rest[672];
};
static_assert(sizeof(TextProviderData) == 688);

using SmsOpenFn = HRESULT(WINAPI*)(const wchar_t* protocol, DWORD modes, SmsHandle* handle,
                                   HANDLE* messageAvailableEvent);
using SmsSendMessageFn = HRESULT(WINAPI*)(SmsHandle handle, const SmsAddress* serviceCenter,
                                          const SmsAddress* destination, const SYSTEMTIME* validityPeriod,
                                          const BYTE* data, DWORD dataSize, const BYTE* providerData,
                                          DWORD providerDataSize, DWORD dataEncoding, DWORD options,
                                          DWORD* messageId);
using SmsCloseFn = HRESULT(WINAPI*)(SmsHandle handle);

inline constexpr const char* kSmsEntryNames[] = {"SmsOpen", "SmsSendMessage", "SmsClose"};
enum SmsEntry : size_t { kSmsOpenEntry, kSmsSendMessageEntry, kSmsCloseEntry, kSmsEntryCount };

// Desktop diagnostic of the library: copies of the two records of the last
// message it accepted. False when it has accepted none yet.
using SmsLastSubmissionFn = BOOL(WINAPI*)(SmsAddress* destination, TextProviderData* providerData);
inline constexpr char kSmsLastSubmissionName[] = "SmsLastSubmission";

// ---- phone.dll --------------------------------------------------------------

inline constexpr wchar_t kPhoneLibraryName[] = L"phone.dll";
inline constexpr DWORD kPhoneCallDefault = 1;            // PMCF_DEFAULT
inline constexpr DWORD kPhoneCallPromptFirst = 2;        // PMCF_PROMPTBEFORECALLING

// The call record; its size field holds sizeof (24 bytes with 32-bit pointers).
struct PhoneCallInfo {
    DWORD size;
    DWORD flags;
    const wchar_t* destinationAddress;
    const wchar_t* applicationName;
    const wchar_t* calledParty;
    const wchar_t* comment;
};
static_assert(sizeof(PhoneCallInfo) == (sizeof(void*) == 4 ? 24 : 40));

using PhoneMakeCallFn = LONG(WINAPI*)(PhoneCallInfo* info);

inline constexpr const char* kPhoneEntryNames[] = {"PhoneMakeCall"};
enum PhoneEntry : size_t { kPhoneMakeCallEntry, kPhoneEntryCount };

// The host program's device message box, exported by the executable so that
// the libraries' prompts go where the program's own go (tests answer them).
using HostMessageBoxFn = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
inline constexpr char kHostMessageBoxName[] = "BrevitexDeviceMessageBox";

// ---- Outbox -----------------------------------------------------------------

inline constexpr wchar_t kSmsOutboxName[] = L"sms-outbox.txt";
inline constexpr wchar_t kCallLogName[] = L"call-log.txt";

}  // namespace brevitex
