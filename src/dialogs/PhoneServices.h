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

// True for a number the number box's rules allow: digits 0 to 9 after an
// optional leading "+", at least one of them.
bool IsSendableNumber(const wchar_t* number);

// Sends the text to the number as one short message through the library
// (the process's "sms.dll" unless another is given). Returns the library's
// status, negative on failure: E_NOINTERFACE when the library or one of its
// entry points is missing, E_INVALIDARG for an empty number, one too long
// for the address field (256 characters or more) or one with anything but
// digits after its "+" (letters pasted into the box), which never reaches it.
HRESULT SendTextMessage(const wchar_t* number, const wchar_t* text, DeviceLibrary& sms = SmsLibrary());

// Dials the edit control's selected text (its part in the first selected
// line) through the library, which asks the user first. Nothing happens for
// an empty selection (S_FALSE) or without the library (E_NOINTERFACE). Returns
// the library's status; a failure other than the user's No is told in a box
// owned by the edit control's top-level window.
HRESULT MakePhoneCall(HWND editControl, DeviceLibrary& phone = PhoneLibrary());

}  // namespace brevitex
