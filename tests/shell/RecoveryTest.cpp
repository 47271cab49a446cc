// The built program killed from outside with modified documents, then started
// again: every document comes back modified with its text, path and
// encoding, and a saved one leaves no copy behind.
#include <gtest/gtest.h>

#include <string>

#include "FrameTestSupport.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;
using testsupport::PumpUntil;

namespace {

int CopiesIn(const std::wstring& folder) {
    int count = 0;
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW((folder + L"\\*.bvxrec").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        ++count;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return count;
}

HWND FrameTitled(DWORD processId, const std::wstring& title, DWORD timeoutMs = 20000) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND hwnd : FrameWindowsOf(processId)) {
                if (testsupport::WindowText(hwnd) == title) found = hwnd;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND EditOf(HWND frame) { return FindWindowExW(frame, nullptr, kEditViewClassName, nullptr); }

bool WaitForBytes(const std::wstring& path, const std::string& expected) {
    std::string bytes;
    return PumpUntil([&] { return testsupport::ReadBytes(path, &bytes) && bytes == expected; }, 20000);
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

TEST(RecoveryTest, AKilledProcessLosesNoTypedText) {
    SettingsKeyGuard settings;
    testsupport::TempDir dir;
    testsupport::TempDir copies;
    testsupport::ScopedEnvironment folder(L"BREVITEX_RECOVERY", copies.Path().c_str());
    const std::wstring small = dir.File(L"small.txt");
    const std::wstring big = dir.File(L"big.txt");
    const std::wstring saved = dir.File(L"saved.txt");
    ASSERT_TRUE(testsupport::WriteBytes(small, "\xEF\xBB\xBF\xE4\xB8\xAD one\r\n"));
    std::wstring line(98, L'汉');
    line += L"\r\n";
    std::wstring bigText;
    while (bigText.size() * 2 < 5u * 1024 * 1024) bigText += line;
    ASSERT_TRUE(testsupport::WriteBytes(big, "\xFF\xFE" + Utf16Bytes(bigText)));
    ASSERT_TRUE(testsupport::WriteBytes(saved, "s"));

    {
        testsupport::ChildProcess first(testsupport::ProgramCommandLine(L"\"" + small + L"\""));
        ASSERT_TRUE(first.Started());
        HWND smallFrame = FrameTitled(first.Id(), L"small.txt - Brevitex");
        ASSERT_NE(smallFrame, nullptr);
        for (const std::wstring& path : {big, saved}) {
            testsupport::ChildProcess handOver(testsupport::ProgramCommandLine(L"\"" + path + L"\""));
            DWORD code = 0;
            EXPECT_TRUE(handOver.WaitForExit(&code));
        }
        HWND bigFrame = FrameTitled(first.Id(), L"big.txt - Brevitex", 60000);
        HWND savedFrame = FrameTitled(first.Id(), L"saved.txt - Brevitex");
        ASSERT_NE(bigFrame, nullptr);
        ASSERT_NE(savedFrame, nullptr);
        PostMessageW(EditOf(smallFrame), WM_CHAR, L'S', 1);
        PostMessageW(EditOf(bigFrame), WM_CHAR, L'B', 1);
        PostMessageW(EditOf(savedFrame), WM_CHAR, L'X', 1);
        ASSERT_TRUE(PumpUntil([&] { return CopiesIn(copies.Path()) == 3; }, 30000)) << CopiesIn(copies.Path());
        // A saved document keeps no copy.
        PostMessageW(savedFrame, WM_COMMAND, ID_FILE_SAVE, 0);
        ASSERT_TRUE(WaitForBytes(saved, "Xs"));
        EXPECT_TRUE(PumpUntil([&] { return CopiesIn(copies.Path()) == 2; }, 10000));
        ASSERT_TRUE(TerminateProcess(first.Handle(), 9));
        DWORD code = 0;
        ASSERT_TRUE(first.WaitForExit(&code));
    }

    testsupport::ChildProcess again(testsupport::ProgramCommandLine(L""));
    ASSERT_TRUE(again.Started());
    HWND smallFrame = FrameTitled(again.Id(), L"small.txt* - Brevitex");
    HWND bigFrame = FrameTitled(again.Id(), L"big.txt* - Brevitex", 60000);
    ASSERT_NE(smallFrame, nullptr);
    ASSERT_NE(bigFrame, nullptr);
    EXPECT_EQ(FrameWindowsOf(again.Id()).size(), 2u) << "the first window took a recovered document";
    // Saved as they were opened: path, encoding and mark kept, the typed letter in.
    PostMessageW(smallFrame, WM_COMMAND, ID_FILE_SAVE, 0);
    PostMessageW(bigFrame, WM_COMMAND, ID_FILE_SAVE, 0);
    EXPECT_TRUE(WaitForBytes(small, "\xEF\xBB\xBFS\xE4\xB8\xAD one\r\n"));
    EXPECT_TRUE(WaitForBytes(big, "\xFF\xFE" + Utf16Bytes(L"B" + bigText)));
    ASSERT_NE(FrameTitled(again.Id(), L"big.txt - Brevitex"), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return CopiesIn(copies.Path()) == 0; }, 10000)) << CopiesIn(copies.Path());
    for (HWND frame : FrameWindowsOf(again.Id())) PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 0;
    EXPECT_TRUE(again.WaitForExit(&code));
}
