// The whole road through the real frame and its own file browser: "打开..."
// to a GBK file tapped in the list with "自动检测", "另存为..." with "UTF-8"
// to the bytes on disk, the last folder kept across a restart, and the frame
// active again afterwards.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "FrameTestSupport.h"
#include "filebrowser/FileBrowserDialog.h"
#include "resources/resource.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;
using testsupport::ModalDriver;
using testsupport::PumpUntil;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// GBK bytes of "中文" (the tests' ANSI code page is 936).
const std::string kGbkText = "\xD6\xD0\xCE\xC4";

HWND ListOf(HWND dialog) { return GetDlgItem(dialog, IDC_FB_LIST); }

// The row of a name in the dialog's list, once it is listed; -1 after the time-out.
int WaitForRow(HWND dialog, const wchar_t* name) {
    int row = -1;
    PumpUntil(
        [&] {
            LVFINDINFOW find{};
            find.flags = LVFI_STRING;
            find.psz = name;
            row = static_cast<int>(ListView_FindItem(ListOf(dialog), -1, &find));
            return row != -1;
        },
        5000);
    return row;
}

void ChooseEncoding(HWND dialog, const wchar_t* text) {
    HWND combo = GetDlgItem(dialog, IDC_FB_ENCODING);
    SendMessageW(combo, CB_SETCURSEL, SendMessageW(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(text)), 0);
}

class BrowserRoadTest : public FrameTest {
protected:
    TempDir dir_{TempDir::kDevicePath};
};

}  // namespace

TEST_F(BrowserRoadTest, OpenAGbkFileAndSaveItAsUtf8ThroughTheBrowser) {
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    ASSERT_TRUE(WriteBytes(dir_.File(L"旧.txt"), kGbkText + "\r\n"));
    SetLastFilePath((dir_.Path() + L"\\").c_str());
    CreateFrame();
    bool tapped = false;
    {
        ModalDriver driver([&](HWND dialog) {
            const int row = WaitForRow(dialog, L"旧.txt");
            ASSERT_NE(row, -1);
            ChooseEncoding(dialog, L"自动检测");
            testsupport::TapListItem(ListOf(dialog), row);
            tapped = true;
            PumpUntil([&] { return !IsWindowVisible(dialog); }, 3000);
        });
        Command(ID_FILE_OPEN);
        EXPECT_FALSE(driver.TimedOut());
    }
    ASSERT_TRUE(tapped);
    EXPECT_EQ(EditText(), L"中文\r\n");
    EXPECT_EQ(Title(), L"旧.txt - Brevitex");
    EXPECT_EQ(GetActiveWindow(), hwnd_) << "the frame takes the keys again after the browser";

    {
        ModalDriver driver([&](HWND dialog) {
            WaitForRow(dialog, L"旧.txt");
            SetWindowTextW(GetDlgItem(dialog, IDC_FB_NAME), L"新");
            ChooseEncoding(dialog, L"UTF-8");
            SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        Command(ID_FILE_SAVE_AS);
        EXPECT_FALSE(driver.TimedOut());
    }
    std::string bytes;
    ASSERT_TRUE(ReadBytes(dir_.File(L"新.txt"), &bytes));
    EXPECT_EQ(bytes, "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\r\n") << "a changed encoding is written with its mark";
    EXPECT_EQ(Title(), L"新.txt - Brevitex");

    // The folder confirmed last comes back in the next window after a restart.
    ASSERT_TRUE(Close());
    DestroyFrame();
    SetLastFilePath(L"");
    CreateFrame();
    EXPECT_EQ(_wcsicmp(LastFilePath(), (dir_.Path() + L"\\").c_str()), 0);
}
