// The editor's use of the device's short-message and phone libraries: sending
// a text to a number, and dialling the selected text.
#pragma once

#include <windows.h>

#include "device/DeviceLibrary.h"
#include "device/Telephony.h"

namespace brevitex {

// The address type a number is sent with: international for "+86...",
// national for every other number, a leading "+" included.
DWORD SmsAddressTypeOf(const wchar_t* number);

// Sends the text to the number as one short message through the library
// (the process's "sms.dll" unless another is given). Returns the library's
// status, negative on failure: E_NOINTERFACE when the library or one of its
// entry points is missing, E_INVALIDARG for an empty number or one too long
// for the address field (256 characters or more), which never reaches it.
HRESULT SendTextMessage(const wchar_t* number, const wchar_t* text, DeviceLibrary& sms = SmsLibrary());

// Dials the edit control's selected text (its part in the first selected
// line) through the library, which asks the user first. Nothing happens for
// an empty selection or without the library.
void MakePhoneCall(HWND editControl, DeviceLibrary& phone = PhoneLibrary());

}  // namespace brevitex
