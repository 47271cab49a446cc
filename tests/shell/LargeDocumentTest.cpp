// A frame holding a long document: opening another file and starting a new
// document put a new edit control in place of the old one, and everything the
// user set up carries over to it: font, word wrap, focus, the find dialog.
#include <gtest/gtest.h>
#include <richedit.h>

#include <string>

#include "FrameTestSupport.h"
#include "dialogs/FindReplaceDialog.h"
#include "common/Module.h"
#include "common/ParkedWindows.h"
#include "shell/FrameThread.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;
using testsupport::BoxAnswerer;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

// More text than the view empties in place.
std::string LongText(const char* tag) {
    std::string text;
    for (int i = 0; i < 2500; ++i) text += std::string(tag) + " line " + std::to_string(i) + " of a long document\r\n";
    return text;
}

class LargeDocumentTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        SettingsKeyGuard::WriteNumber(L"WordWrap", 1);
        const wchar_t face[] = L"Courier New";
        SettingsKeyGuard::WriteRaw(L"FontName_Edit", REG_SZ, face, sizeof(face));
        SettingsKeyGuard::WriteNumber(L"FontSize_Edit", static_cast<DWORD>(-20));
    }
    void TearDown() override {
        if (!readOnly_.empty()) SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_NORMAL);
        FrameTest::TearDown();
    }

    std::wstring Write(const std::wstring& name, const std::string& bytes) {
        std::wstring path = dir_.File(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    std::wstring FaceOf(HWND edit) {
        CHARFORMATW format{};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_FACE;
        SendMessageW(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        return format.szFaceName;
    }
    DWORD Selection(HWND edit) {
        DWORD start = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        return start;
    }

    TempDir dir_;
    std::wstring readOnly_;
};

}  // namespace

TEST_F(LargeDocumentTest, OpeningAndNewOverALongDocumentKeepTheUsersSetUp) {
    std::string first = LongText("first");
    ASSERT_NE(CreateFrame(Write(L"first.txt", first)), nullptr);
    EXPECT_EQ(Title(), L"first.txt - Brevitex");
    HWND old = Edit();
    Type(L"typed ");
    ASSERT_TRUE(SendMessageW(old, EM_CANUNDO, 0, 0));

    // The find dialog, opened on the old control, searches whatever control the view holds.
    Command(ID_EDIT_FIND);
    FindReplaceDialog* find = frame_->View().FindDialog();
    ASSERT_NE(find, nullptr);
    ASSERT_NE(find->Handle(), nullptr);
    // Back to the text, as a tap on it would. Another program on the same
    // display may take the focus away: then there is no focus to carry over.
    SetFocus(old);
    bool focused = GetFocus() == old;

    std::string second = LongText("second");
    readOnly_ = Write(L"second.txt", second);
    SetFileAttributesW(readOnly_.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        BoxAnswerer boxes(IDNO);
        BrowserAnswerer browser(IDOK, readOnly_);
        Command(ID_FILE_OPEN);
        ASSERT_EQ(boxes.Boxes().size(), 1u) << "the edited document is asked about";
    }
    HWND edit = Edit();
    ASSERT_NE(edit, old);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(edit, frame_->View().Handle());
    EXPECT_EQ(Title(), L"second.txt - Brevitex");
    EXPECT_EQ(EditText().substr(0, 13), L"second line 0");
    EXPECT_FALSE(Modified());
    EXPECT_TRUE(GetWindowLongW(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(MenuChecked(ID_VIEW_READONLY));
    EXPECT_TRUE(MenuChecked(ID_VIEW_WORDWRAP));
    EXPECT_EQ(FaceOf(edit), L"Courier New");
    if (focused) {
        EXPECT_EQ(GetFocus(), edit);
    }
    SendMessageW(edit, EM_UNDO, 0, 0);
    EXPECT_EQ(EditText().substr(0, 13), L"second line 0") << "undo never brings the old document back";
    EXPECT_FALSE(MenuEnabled(ID_EDIT_UNDO));

    HWND box = find->Handle();
    SetWindowTextW(GetDlgItem(box, IDC_FIND_TEXT), L"second line 2000 ");
    SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDC_FIND_NEXT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDC_FIND_NEXT)));
    std::string before = second.substr(0, second.find("second line 2000 "));
    // Each CR LF of the file is one paragraph mark in the control.
    EXPECT_EQ(Selection(edit), before.size() - 2000);

    Command(ID_FILE_NEW);
    Idle();
    HWND fresh = Edit();
    ASSERT_NE(fresh, edit);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(EditText(), L"");
    EXPECT_EQ(Title().substr(0, 3), L"无标题");
    EXPECT_FALSE(GetWindowLongW(fresh, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(fresh, GWL_STYLE) & ES_WANTRETURN);
    EXPECT_EQ(FaceOf(fresh), L"Courier New");
    if (focused) {
        EXPECT_EQ(GetFocus(), fresh);
    }
    Type(L"abc");
    EXPECT_EQ(EditText(), L"abc");
}

// Closing does not wait for a long text to be freed: its control leaves the
// frame hidden and goes at the thread's end, or with the process.
TEST_F(LargeDocumentTest, ClosingOverALongDocumentLeavesItsControlToTheThreadsEnd) {
    ASSERT_NE(CreateFrame(Write(L"long.txt", LongText("long"))), nullptr);
    HWND edit = Edit();
    ASSERT_TRUE(Close());
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_EQ(frame_->View().Handle(), nullptr);
    EXPECT_EQ(ParkedWindowCount(), 1);
    EXPECT_EQ(ReleaseParkedWindows(false), 1);
    EXPECT_FALSE(IsWindow(edit));

    // A control replaced just before the close is parked too; the new, empty
    // one goes with the frame.
    ASSERT_NE(CreateFrame(Write(L"again.txt", LongText("again"))), nullptr);
    HWND replaced = Edit();
    SendMessageW(hwnd_, WM_COMMAND, ID_FILE_NEW, 0);
    HWND empty = Edit();
    ASSERT_NE(empty, replaced);
    ASSERT_TRUE(IsWindow(replaced));
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_FALSE(IsWindow(empty));
    EXPECT_TRUE(IsWindow(replaced));
    EXPECT_EQ(ParkedWindowCount(), 1);
    // When the process ends with the thread, the parked control is left to it.
    EXPECT_EQ(ReleaseParkedWindows(true), 0);
    EXPECT_EQ(ParkedWindowCount(), 0);
    EXPECT_TRUE(IsWindow(replaced));
    DestroyWindow(replaced);
    Idle();

    // A short document's control goes with its window.
    ASSERT_NE(CreateFrame(Write(L"short.txt", "short\r\n")), nullptr);
    HWND small = Edit();
    ASSERT_TRUE(Close());
    EXPECT_FALSE(IsWindow(small));
    EXPECT_EQ(ParkedWindowCount(), 0);
}

TEST_F(LargeDocumentTest, TheCommandLineFileOpensOnceTheWindowShows) {
    std::wstring path = Write(L"shown.txt", "short\r\n");
    frame_ = std::make_unique<MainFrame>();
    std::wstring line = path;
    hwnd_ = frame_->CreateBound(0, kFrameClassName, L"Brevitex", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, ProgramInstance(),
                                line.data());
    ASSERT_NE(hwnd_, nullptr);
    EXPECT_EQ(EditText(), L"") << "nothing is loaded while the window is still hidden";
    ShowWindow(hwnd_, SW_SHOW);
    Idle();
    EXPECT_EQ(EditText().substr(0, 5), L"short");
    EXPECT_EQ(Title(), L"shown.txt - Brevitex");
}
