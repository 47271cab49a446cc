// The built program driven from outside as a user would: typing into its
// window, the save command, closing with the save prompt answered in the real
// message box, and a second launch opening a second window.
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

// The built program started with arguments, with waits for its windows.
class Program : public testsupport::ChildProcess {
public:
    explicit Program(const std::wstring& arguments) : ChildProcess(testsupport::ProgramCommandLine(arguments)) {}
    // The process's window whose title is exactly title, or null after the time-out.
    HWND WaitForFrame(const std::wstring& title, DWORD timeoutMs = 15000) const {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                for (HWND hwnd : FrameWindowsOf(Id())) {
                    if (WindowText(hwnd) == title) found = hwnd;
                }
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }
    // A message box of this process owned by a window and shown, or null after the time-out.
    HWND WaitForBox(HWND owner, DWORD timeoutMs = 15000) const {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                HWND box = testsupport::FindOwnedDialog(owner);
                // Only a box that is up, with its buttons made, can be answered.
                if (box && (GetDlgItem(box, IDYES) || GetDlgItem(box, IDOK))) found = box;
                return found != nullptr;
            },
            timeoutMs);
        return found;
    }
};

void TypeInto(HWND edit, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 1);
}

bool WaitForBytes(const std::wstring& path, const std::string& expected) {
    std::string bytes;
    return PumpUntil([&] { return testsupport::ReadBytes(path, &bytes) && bytes == expected; }, 15000);
}

// The text of a message box: its static control holds the message.
std::wstring BoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? WindowText(text) : L"";
}

}  // namespace

TEST(EndToEndTest, TypeSaveAndCloseAnsweringThePrompt) {
    SettingsKeyGuard settings;
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"notes.txt");
    ASSERT_TRUE(testsupport::WriteBytes(path, "\xEF\xBB\xBF\xE4\xB8\xAD first\r\n"));

    Program program(L"\"" + path + L"\"");
    ASSERT_TRUE(program.Started());
    HWND frame = program.WaitForFrame(L"notes.txt - Brevitex");
    ASSERT_NE(frame, nullptr);
    HWND edit = FindWindowExW(frame, nullptr, kEditViewClassName, nullptr);
    ASSERT_NE(edit, nullptr);

    TypeInto(edit, L"typed ");
    ASSERT_NE(program.WaitForFrame(L"notes.txt* - Brevitex"), nullptr);
    PostMessageW(frame, WM_COMMAND, ID_FILE_SAVE, 0);
    ASSERT_TRUE(WaitForBytes(path, "\xEF\xBB\xBFtyped \xE4\xB8\xAD first\r\n")) << "saved as UTF-8 with its mark";
    ASSERT_NE(program.WaitForFrame(L"notes.txt - Brevitex"), nullptr);

    TypeInto(edit, L"again ");
    ASSERT_NE(program.WaitForFrame(L"notes.txt* - Brevitex"), nullptr);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    HWND box = program.WaitForBox(frame);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Brevitex");
    EXPECT_EQ(BoxText(box), L"文档\"" + path + L"\"已修改,是否保存?");
    EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr) << "Pocket PC offers Cancel";
    SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);

    DWORD exitCode = 0;
    ASSERT_TRUE(program.WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 1u);
    EXPECT_TRUE(WaitForBytes(path, "\xEF\xBB\xBFtyped again \xE4\xB8\xAD first\r\n"));
}

TEST(EndToEndTest, CancelKeepsTheWindowAndASecondLaunchOpensASecondWindow) {
    SettingsKeyGuard settings;
    testsupport::TempDir dir;
    std::wstring first = dir.File(L"one.txt");
    std::wstring second = dir.File(L"two.txt");
    ASSERT_TRUE(testsupport::WriteBytes(first, "one"));
    ASSERT_TRUE(testsupport::WriteBytes(second, "two"));

    Program running(L"\"" + first + L"\"");
    HWND one = running.WaitForFrame(L"one.txt - Brevitex");
    ASSERT_NE(one, nullptr);
    HWND edit = FindWindowExW(one, nullptr, kEditViewClassName, nullptr);
    TypeInto(edit, L"1");
    ASSERT_NE(running.WaitForFrame(L"one.txt* - Brevitex"), nullptr);

    PostMessageW(one, WM_CLOSE, 0, 0);
    HWND box = running.WaitForBox(one);
    ASSERT_NE(box, nullptr);
    SendMessageW(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
    PumpUntil([&] { return !IsWindow(box); }, 5000);
    EXPECT_TRUE(IsWindow(one)) << "Cancel keeps the window";

    Program later(L"\"" + second + L"\"");
    DWORD laterExit = 99;
    ASSERT_TRUE(later.WaitForExit(&laterExit));
    EXPECT_EQ(laterExit, 0u);
    HWND two = running.WaitForFrame(L"two.txt - Brevitex");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(FrameWindowsOf(running.Id()).size(), 2u);
    EXPECT_EQ(WindowText(one), L"one.txt* - Brevitex") << "the first window's document is untouched";

    PostMessageW(two, WM_CLOSE, 0, 0);
    PostMessageW(one, WM_CLOSE, 0, 0);
    box = running.WaitForBox(one);
    ASSERT_NE(box, nullptr);
    SendMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    DWORD exitCode = 0;
    ASSERT_TRUE(running.WaitForExit(&exitCode));
    std::string bytes;
    ASSERT_TRUE(testsupport::ReadBytes(first, &bytes));
    EXPECT_EQ(bytes, "one");
}
