// DeviceLibrary: a platform library loaded by file name on first use, with a
// fixed list of entry points looked up at the same time. Loading and look-up
// happen once per object, guarded, whichever thread asks first; the outcome
// is kept, a failure as well, and the library is never unloaded.
#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>

namespace brevitex {

class DeviceLibrary {
public:
    static constexpr size_t kMaxEntries = 4;

    // The names must outlive the object (constants of the library's interface).
    DeviceLibrary(const wchar_t* fileName, const char* const* entryNames, size_t entryCount);
    DeviceLibrary(const DeviceLibrary&) = delete;
    DeviceLibrary& operator=(const DeviceLibrary&) = delete;

    // True when the library was loaded.
    bool Loaded();
    // The entry point of that index in the list; null when it or the library is missing.
    FARPROC Entry(size_t index);
    // True when the library and every entry point of the list were found.
    bool Complete();

private:
    void Load();

    const wchar_t* fileName_;
    const char* const* entryNames_;
    size_t entryCount_;
    std::once_flag once_;
    HMODULE module_ = nullptr;
    FARPROC entries_[kMaxEntries] = {};
};

// The process's "sms.dll" (SmsOpen, SmsSendMessage, SmsClose) and "phone.dll"
// (PhoneMakeCall), shared by all frame threads.
DeviceLibrary& SmsLibrary();
DeviceLibrary& PhoneLibrary();

}  // namespace brevitex
