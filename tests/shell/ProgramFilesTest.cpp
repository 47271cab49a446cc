// The built files as Windows sees them: the version resources of brevitex.exe,
// sms.dll and phone.dll, and the program's manifest and its effect on a process
// that carries it (the test executables link the same resource script).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::wstring BuildFolder() {
    std::wstring program = testsupport::ProgramPath();
    return program.substr(0, program.find_last_of(L'\\'));
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return value;
}

}  // namespace

TEST(ProgramFilesTest, ProgramAndLibrariesCarryTheBuildVersion) {
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(BREVITEX_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    const DWORD versionMs = MAKELONG(minor, major);
    const DWORD versionLs = MAKELONG(0, patch);
    struct File { const wchar_t* name; DWORD type; };
    for (File file : {File{L"brevitex.exe", VFT_APP}, File{L"sms.dll", VFT_DLL}, File{L"phone.dll", VFT_DLL}}) {
        SCOPED_TRACE(testing::Message() << "file " << testing::PrintToString(std::wstring(file.name)));
        std::wstring path = BuildFolder() + L"\\" + file.name;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u);
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwFileVersionMS, versionMs);
        EXPECT_EQ(fixed->dwFileVersionLS, versionLs);
        EXPECT_EQ(fixed->dwProductVersionMS, versionMs);
        EXPECT_EQ(fixed->dwProductVersionLS, versionLs);
        EXPECT_EQ(fixed->dwFileType, file.type);

        EXPECT_EQ(VersionString(block, L"ProductName"), L"Brevitex");
        EXPECT_EQ(VersionString(block, L"LegalCopyright"), L"Brevitex 开发者");
        EXPECT_EQ(VersionString(block, L"FileVersion"), L"" BREVITEX_VERSION);
        EXPECT_EQ(VersionString(block, L"ProductVersion"), L"" BREVITEX_VERSION);
        EXPECT_EQ(VersionString(block, L"OriginalFilename"), file.name);
        EXPECT_EQ(VersionString(block, L"FileDescription").rfind(L"Brevitex ", 0), 0u);
    }
}

TEST(ProgramFilesTest, ManifestAsksForCommonControls6AndDpiAwareness) {
    std::wstring path = BuildFolder() + L"\\brevitex.exe";
    HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    ASSERT_NE(bytes, nullptr);
    std::string manifest(bytes, SizeofResource(program, found));
    FreeLibrary(program);
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", ">true</dpiAware>", ">system</dpiAwareness>",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "version=\"" BREVITEX_VERSION ".0\""}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }

    // This process carries the same manifest: the system honoured it.
    EXPECT_TRUE(IsProcessDPIAware());
    // Version 6 of the common controls is the side-by-side one (the DLL's own
    // version query answers 5 under Wine either way).
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(controls, nullptr);
    wchar_t loaded[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(controls, loaded, MAX_PATH), 0u);
    CharLowerW(loaded);
    EXPECT_NE(std::wstring(loaded).find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << testing::PrintToString(std::wstring(loaded));
}
