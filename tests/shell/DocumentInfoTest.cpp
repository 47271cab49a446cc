// The info popup's read-outs and the About box.
#include <gtest/gtest.h>

#include <string>

#include "FrameTestSupport.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;
using testsupport::BoxAnswerer;
using testsupport::TempDir;

namespace {

class DocumentInfoTest : public FrameTest {
protected:
    HMENU Popup(UINT id) {
        auto menu = reinterpret_cast<HMENU>(SendMessageW(frame_->CommandBar(), kMenuBarGetMenu, 0, 0));
        return PopupHolding(menu, id);
    }
    // Opens the popup holding the command as the menu bar would.
    void OpenPopup(UINT id) { SendMessageW(hwnd_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Popup(id)), 1); }
    std::wstring ItemText(UINT id) {
        wchar_t text[64] = {};
        GetMenuStringW(Popup(ID_INFO_LINES), id, text, 64, MF_BYCOMMAND);
        return text;
    }
    std::wstring Info() {
        OpenPopup(ID_INFO_LINES);
        return ItemText(ID_INFO_LINES) + L"|" + ItemText(ID_INFO_CHARS) + L"|" + ItemText(ID_INFO_ENCODING);
    }

    TempDir dir_;
};

// The name of the ANSI code page of the machine running the test.
std::wstring AnsiName() {
    switch (GetACP()) {
    case 936:
        return L"GBK";
    case 950:
        return L"Big5";
    default:
        return L"ANSI";
    }
}

}  // namespace

TEST_F(DocumentInfoTest, AnEmptyUntitledDocumentShowsOneLineNoCharactersAndTheAnsiCodePage) {
    CreateFrame();
    EXPECT_EQ(Info(), L"行数: 1|字数: 0|编码: " + AnsiName());
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    EXPECT_EQ(ItemText(ID_INFO_ENCODING), L"编码: GBK");
}

TEST_F(DocumentInfoTest, TheTextsAreComputedAtEveryOpeningOfTheInfoPopupOnly) {
    CreateFrame();
    ASSERT_EQ(Info(), L"行数: 1|字数: 0|编码: " + AnsiName());
    Type(L"ab\ncd");
    Idle();
    OpenPopup(ID_EDIT_UNDO);
    EXPECT_EQ(ItemText(ID_INFO_LINES), L"行数: 1") << "another popup leaves the info texts alone";
    EXPECT_FALSE(GetMenuState(Popup(ID_EDIT_UNDO), ID_EDIT_UNDO, MF_BYCOMMAND) & MF_GRAYED)
        << "and gets its item states instead";
    const std::wstring length = std::to_wstring(GetWindowTextLengthW(Edit()));
    EXPECT_EQ(Info(), L"行数: 2|字数: " + length + L"|编码: " + AnsiName());
    EXPECT_GE(GetWindowTextLengthW(Edit()), 5);
}

TEST_F(DocumentInfoTest, TheEncodingFollowsTheDocumentThroughOpenAndSaveAs) {
    const std::wstring path = dir_.File(L"utf8.txt");
    ASSERT_TRUE(testsupport::WriteBytes(path, "\xEF\xBB\xBF\xE4\xB8\xAD"));
    CreateFrame(path);
    EXPECT_EQ(Info(), L"行数: 1|字数: 1|编码: UTF-8");
    {
        BrowserAnswerer browser(IDOK, dir_.File(L"utf16.txt"), TextEncoding::Utf16);
        Command(ID_FILE_SAVE_AS);
    }
    EXPECT_EQ(ItemText(ID_INFO_ENCODING), L"编码: UTF-8") << "until the popup opens again";
    EXPECT_EQ(Info(), L"行数: 1|字数: 1|编码: UTF-16");
}

TEST_F(DocumentInfoTest, AboutShowsProductVersionAndTheProjectsOwnDetails) {
    CreateFrame();
    BoxAnswerer boxes(IDOK);
    Command(ID_APP_ABOUT);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"Brevitex " BREVITEX_VERSION L"\n\n作者: Brevitex 开发者\n主页: -\nEmail: -\n\n"
                                     L"本软件支持由ANSI,UTF-8和UTF-16编码的各种纯文本文件。");
    EXPECT_EQ(boxes.Boxes()[0].caption, L"Brevitex");
    EXPECT_EQ(boxes.Boxes()[0].type, 0x40u);
    EXPECT_EQ(boxes.Boxes()[0].owner, hwnd_);
}
