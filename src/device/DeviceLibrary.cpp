// Platform libraries loaded by name at run time, once per process.
#include "device/DeviceLibrary.h"

#include "device/Telephony.h"

namespace brevitex {

DeviceLibrary::DeviceLibrary(const wchar_t* fileName, const char* const* entryNames, size_t entryCount)
    : fileName_(fileName), entryNames_(entryNames), entryCount_(entryCount < kMaxEntries ? entryCount : kMaxEntries) {}

void DeviceLibrary::Load() {
    module_ = LoadLibraryW(fileName_);
    if (!module_) return;
    for (size_t i = 0; i < entryCount_; ++i) entries_[i] = GetProcAddress(module_, entryNames_[i]);
}

bool DeviceLibrary::Loaded() {
    std::call_once(once_, &DeviceLibrary::Load, this);
    return module_ != nullptr;
}

FARPROC DeviceLibrary::Entry(size_t index) {
    std::call_once(once_, &DeviceLibrary::Load, this);
    return index < entryCount_ ? entries_[index] : nullptr;
}

bool DeviceLibrary::Complete() {
    if (!Loaded()) return false;
    for (size_t i = 0; i < entryCount_; ++i) {
        if (!entries_[i]) return false;
    }
    return true;
}

DeviceLibrary& SmsLibrary() {
    static DeviceLibrary library(kSmsLibraryName, kSmsEntryNames, kSmsEntryCount);
    return library;
}

DeviceLibrary& PhoneLibrary() {
    static DeviceLibrary library(kPhoneLibraryName, kPhoneEntryNames, kPhoneEntryCount);
    return library;
}

}  // namespace brevitex
