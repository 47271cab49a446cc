// The personal documents folder: environment override, the Unix home's
// Documents folder under Wine, and the home itself without one.
#include <gtest/gtest.h>

#include <string>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::ScopedEnvironment;

namespace {

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring Personal() {
    wchar_t buffer[MAX_PATH] = {};
    if (!DevicePersonalFolder(buffer, MAX_PATH)) return L"<failed>";
    return buffer;
}

}  // namespace

TEST(PersonalFolderTest, EnvironmentOverridesAndSmallBufferFails) {
    ScopedEnvironment documents(L"BREVITEX_DOCUMENTS", L"\\tmp\\my docs");
    EXPECT_EQ(Personal(), L"\\tmp\\my docs");
    wchar_t small[4] = {};
    EXPECT_FALSE(DevicePersonalFolder(small, 4));
    ScopedEnvironment driveLetter(L"BREVITEX_DOCUMENTS", L"C:\\users");
    EXPECT_EQ(Personal().find(L':'), std::wstring::npos) << "a drive path is not a device path";
}

TEST(PersonalFolderTest, UnixHomeDocumentsThenHome) {
    if (!UnderWine()) GTEST_SKIP() << "the Unix home exists only under Wine";
    wchar_t build[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"BREVITEX_BUILD_DIR", build, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH && build[0] == L'/') << "ctest sets BREVITEX_BUILD_DIR";
    std::wstring unixHome = std::wstring(build) + L"/personal-test-" + std::to_wstring(GetCurrentProcessId());
    std::wstring deviceHome = unixHome;
    for (auto& c : deviceHome) if (c == L'/') c = L'\\';

    ScopedEnvironment noOverride(L"BREVITEX_DOCUMENTS", nullptr);
    ScopedEnvironment home(L"HOME", unixHome.c_str());
    ASSERT_TRUE(CreateDirectoryW(deviceHome.c_str(), nullptr));
    EXPECT_EQ(Personal(), deviceHome);
    ASSERT_TRUE(CreateDirectoryW((deviceHome + L"\\Documents").c_str(), nullptr));
    EXPECT_EQ(Personal(), deviceHome + L"\\Documents");
    // Without HOME (Wine keeps it from programs), the home Wine names in WINEHOMEDIR.
    {
        ScopedEnvironment noHome(L"HOME", nullptr);
        wchar_t current[MAX_PATH] = {};
        ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 1u);
        const std::wstring ntHome = std::wstring(L"\\??\\") + current[0] + L":" + deviceHome;
        ScopedEnvironment wineHome(L"WINEHOMEDIR", ntHome.c_str());
        EXPECT_EQ(Personal(), deviceHome + L"\\Documents");
    }
    RemoveDirectoryW((deviceHome + L"\\Documents").c_str());
    RemoveDirectoryW(deviceHome.c_str());
}
