// Document commands on a real frame: the save prompt on both forms, the
// read-only prompt, open and save failures, the file browser's inputs and
// outputs, encodings kept by "保存", and the window title.
#include <gtest/gtest.h>

#include "FrameTestSupport.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "support/UnixSide.h"

using namespace brevitex;
using namespace frametest;
using testsupport::BoxAnswerer;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;
using testsupport::RunUnix;
using testsupport::ShellQuote;
using testsupport::UnixPath;

namespace {

std::wstring SavePrompt(const std::wstring& name) { return L"文档\"" + name + L"\"已修改,是否保存?"; }
std::wstring ChangedPrompt(const std::wstring& name) {
    return L"文件\"" + name + L"\"在本窗口打开或保存之后已被更改(可能是另一个程序,或本程序的另一个窗口),是否覆盖?";
}
constexpr wchar_t kReadOnlyPromptText[] = L"只读文档,是否继续保存?";

class DocumentCommandsTest : public FrameTest {
protected:
    // Opens a file with the given bytes from the command line and adds text at its start.
    std::wstring OpenEdited(const std::string& bytes, const std::wstring& added = L"new ") {
        path_ = dir_.File(L"doc.txt");
        EXPECT_TRUE(WriteBytes(path_, bytes));
        EXPECT_NE(CreateFrame(path_), nullptr);
        Type(added);
        return path_;
    }
    std::string Disk() const {
        std::string bytes;
        EXPECT_TRUE(ReadBytes(path_, &bytes));
        return bytes;
    }

    TempDir dir_;
    std::wstring path_;
};

}  // namespace

TEST_F(DocumentCommandsTest, PocketPcSavePromptYesSavesNoDiscardsCancelKeepsTheWindow) {
    OpenEdited("old\r\n");
    {
        BoxAnswerer boxes(IDCANCEL);
        EXPECT_FALSE(Close());
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, SavePrompt(path_));
        EXPECT_EQ(shown[0].caption, L"Brevitex");
        EXPECT_EQ(shown[0].type, 0x23u);
        EXPECT_EQ(shown[0].owner, hwnd_);
        EXPECT_EQ(Disk(), "old\r\n");
        EXPECT_FALSE(SettingsKeyGuard::Exists()) << "a refused close writes no settings";
        EXPECT_TRUE(Modified());
    }
    {
        BoxAnswerer boxes(IDYES);
        EXPECT_TRUE(Close());
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(Disk(), "new old\r\n");
        EXPECT_TRUE(SettingsKeyGuard::Exists());
    }
    DestroyFrame();
    OpenEdited("kept\r\n", L"lost ");
    {
        BoxAnswerer boxes(IDNO);
        EXPECT_TRUE(Close());
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(Disk(), "kept\r\n");
    }
}

TEST_F(DocumentCommandsTest, EndingTheSessionAsksLikeAClose) {
    OpenEdited("old\r\n");
    {
        BoxAnswerer boxes(IDCANCEL);
        EXPECT_EQ(SendMessageW(hwnd_, WM_QUERYENDSESSION, 0, 0), FALSE);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    BoxAnswerer boxes(IDYES);
    EXPECT_EQ(SendMessageW(hwnd_, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(Disk(), "new old\r\n");
}

TEST_F(DocumentCommandsTest, SmartphoneSavePromptHasNoCancel) {
    testsupport::PlatformScope smartphone(true);
    OpenEdited("old\r\n");
    {
        BoxAnswerer boxes(IDNO);
        EXPECT_TRUE(Close());
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].type, 0x24u);
        EXPECT_EQ(shown[0].text, SavePrompt(path_));
        EXPECT_EQ(Disk(), "old\r\n");
    }
    DestroyFrame();
    OpenEdited("old\r\n");
    {
        BoxAnswerer boxes(IDYES);
        EXPECT_TRUE(Close());
        EXPECT_EQ(boxes.Boxes()[0].type, 0x24u);
        EXPECT_EQ(Disk(), "new old\r\n");
    }
}

TEST_F(DocumentCommandsTest, UntitledDocumentsAskOnlyWithText) {
    BoxAnswerer boxes(IDYES);
    BrowserAnswerer browser(IDCANCEL);
    CreateFrame();
    Type(L"x");
    SendMessageW(Edit(), WM_KEYDOWN, VK_BACK, 0);
    SendMessageW(Edit(), WM_CHAR, VK_BACK, 0);
    Idle();
    ASSERT_TRUE(Modified());
    ASSERT_EQ(EditText(), L"");
    EXPECT_TRUE(Close()) << "an untitled, empty, modified document closes without asking";
    EXPECT_TRUE(boxes.Boxes().empty());

    CreateFrame();
    std::wstring untitled = frame_->View().Path().c_str();
    EXPECT_EQ(untitled.rfind(L"无标题", 0), 0u);
    Type(L"draft");
    EXPECT_FALSE(Close()) << "Yes, then a cancelled Save As keeps the window";
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, SavePrompt(untitled));
    ASSERT_EQ(browser.Calls().size(), 1u);
    EXPECT_EQ(browser.Calls()[0].mode, BrowseMode::SaveAs);
    EXPECT_EQ(browser.Calls()[0].initialPath, untitled);
    EXPECT_EQ(EditText(), L"draft");
}

TEST_F(DocumentCommandsTest, SaveAsAndOpenRunTheBrowserWithTheirTypeLists) {
    CreateFrame();
    Type(L"\u4e2d\u6587 text");
    std::wstring target = dir_.File(L"saved.txt");
    {
        BrowserAnswerer browser(IDOK, target, TextEncoding::Utf16);
        Command(ID_FILE_SAVE_AS);
        ASSERT_EQ(browser.Calls().size(), 1u);
        const BrowserCall& call = browser.Calls()[0];
        EXPECT_EQ(call.owner, hwnd_);
        EXPECT_EQ(call.encoding, TextEncoding::Ansi) << "preset: the document's encoding";
        std::vector<std::wstring> saveTypes{L"TXT 文件", L"*.txt", L"INI 文件", L"*.ini", L"CCS 文件", L"*.ccs",
                                            L"REG 文件", L"*.reg", L"XML 文件", L"*.xml", L"所有文件", L"*.*"};
        EXPECT_EQ(call.filter, saveTypes);
    }
    std::string bytes;
    ASSERT_TRUE(ReadBytes(target, &bytes));
    EXPECT_EQ(bytes, std::string("\xFF\xFE\x2D\x4E\x87\x65 \0t\0e\0x\0t\0", 16));
    EXPECT_EQ(Title(), L"saved.txt - Brevitex");
    EXPECT_EQ(frame_->View().Encoding(), TextEncoding::Utf16);

    std::wstring other = dir_.File(L"other.txt");
    ASSERT_TRUE(WriteBytes(other, "\xEF\xBB\xBFother"));
    {
        BrowserAnswerer browser(IDOK, other);
        Command(ID_FILE_OPEN);
        ASSERT_EQ(browser.Calls().size(), 1u);
        const BrowserCall& call = browser.Calls()[0];
        EXPECT_EQ(call.mode, BrowseMode::Open);
        EXPECT_EQ(call.initialPath, target);
        EXPECT_EQ(call.encoding, TextEncoding::AutoDetect);
        ASSERT_EQ(call.filter.size(), 14u);
        EXPECT_EQ(call.filter[0], L"文本文件");
        EXPECT_EQ(call.filter[1], L"*.txt,*.log,*.ini,*.ccs,*.reg,*.htm,*.html,*.css,*.xml");
    }
    EXPECT_EQ(EditText(), L"other");
    EXPECT_EQ(frame_->View().Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(Title(), L"other.txt - Brevitex");

    // A cancelled browser changes nothing.
    BrowserAnswerer cancelled(IDCANCEL);
    Command(ID_FILE_OPEN);
    EXPECT_EQ(EditText(), L"other");
    EXPECT_EQ(cancelled.Calls().size(), 1u);
}

TEST_F(DocumentCommandsTest, SaveKeepsUtf8AndItsByteOrderMark) {
    OpenEdited("\xEF\xBB\xBF\xE4\xB8\xAD\r\n", L"\u6587");
    BrowserAnswerer browser(IDCANCEL);
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(browser.Calls().empty()) << "a document with a file saves in place";
    EXPECT_EQ(Disk(), "\xEF\xBB\xBF\xE6\x96\x87\xE4\xB8\xAD\r\n");
    EXPECT_FALSE(Modified());
}

TEST_F(DocumentCommandsTest, TitleFollowsTheModifiedState) {
    OpenEdited("text\r\n", L"");
    EXPECT_EQ(Title(), L"doc.txt - Brevitex");
    Type(L"a");
    EXPECT_EQ(Title(), L"doc.txt* - Brevitex");
    Command(ID_FILE_SAVE);
    EXPECT_EQ(Title(), L"doc.txt - Brevitex");
    EXPECT_EQ(Disk(), "atext\r\n");
    EXPECT_TRUE(MainFrame::HasFile(path_.c_str())) << "the temp folder has a drive letter";
}

TEST_F(DocumentCommandsTest, ReadOnlyFilePromptAndAttribute) {
    OpenEdited("locked\r\n", L"");
    DestroyFrame();
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    CreateFrame(path_);
    EXPECT_TRUE(GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY) << "a read-only file opens read-only";
    EXPECT_TRUE(MenuChecked(ID_VIEW_READONLY));
    Command(ID_VIEW_READONLY);
    Type(L"x");
    {
        BoxAnswerer boxes(IDNO);
        Command(ID_FILE_SAVE);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, L"只读文档,是否继续保存?");
        EXPECT_EQ(boxes.Boxes()[0].type, 0x24u);
        EXPECT_EQ(Disk(), "locked\r\n");
        EXPECT_TRUE(Modified());
    }
    {
        BoxAnswerer boxes(IDYES);
        Command(ID_FILE_SAVE);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(Disk(), "xlocked\r\n");
        EXPECT_TRUE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_READONLY) << "the attribute is restored";
        EXPECT_FALSE(Modified());
    }
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Opening a writable file switches read-only off.
    std::wstring writable = dir_.File(L"free.txt");
    ASSERT_TRUE(WriteBytes(writable, "free"));
    Command(ID_VIEW_READONLY);
    ASSERT_TRUE(GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);
    BrowserAnswerer browser(IDOK, writable);
    Command(ID_FILE_OPEN);
    EXPECT_FALSE(GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);
}

TEST_F(DocumentCommandsTest, MissingFileOnTheCommandLineKeepsTheUntitledDocument) {
    BoxAnswerer boxes(IDOK);
    std::wstring missing = dir_.File(L"missing.txt");
    CreateFrame(missing);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"打开文件\"" + missing + L"\"失败！");
    EXPECT_EQ(boxes.Boxes()[0].type, 0x30u);
    EXPECT_EQ(boxes.Boxes()[0].caption, L"Brevitex");
    std::wstring untitled = frame_->View().Path().c_str();
    EXPECT_EQ(untitled.rfind(L"无标题", 0), 0u);
    EXPECT_EQ(Title(), untitled + L" - Brevitex");
    EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(DocumentCommandsTest, FailedSaveReportsAndKeepsTheDocumentModified) {
    OpenEdited("text", L"more ");
    std::wstring unreachable = dir_.File(L"no such folder\\x.txt");
    BoxAnswerer boxes(IDOK);
    BrowserAnswerer browser(IDOK, unreachable, TextEncoding::Utf8);
    Command(ID_FILE_SAVE_AS);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, L"保存文件\"" + unreachable + L"\"时出错！");
    EXPECT_EQ(boxes.Boxes()[0].type, 0x30u);
    EXPECT_TRUE(Modified());
    EXPECT_EQ(frame_->View().Path().c_str(), path_);
    EXPECT_EQ(Title(), L"doc.txt* - Brevitex");

}

TEST_F(DocumentCommandsTest, DecliningTheReadOnlyPromptWhileClosingKeepsTheWindow) {
    OpenEdited("text", L"more ");
    ASSERT_TRUE(SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_READONLY));
    BoxAnswerer boxes(IDYES);
    boxes.SetAnswers({IDYES, IDNO});
    EXPECT_FALSE(Close());
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(Disk(), "text");
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DocumentCommandsTest, NewAsksFirstAndStartsTheNextUntitledDocument) {
    OpenEdited("text");
    {
        BoxAnswerer boxes(IDCANCEL);
        Command(ID_FILE_NEW);
        EXPECT_EQ(frame_->View().Path().c_str(), path_);
        EXPECT_EQ(EditText(), L"new text");
    }
    BoxAnswerer boxes(IDNO);
    Command(ID_FILE_NEW);
    std::wstring untitled = frame_->View().Path().c_str();
    EXPECT_EQ(untitled.rfind(L"无标题", 0), 0u);
    EXPECT_EQ(EditText(), L"");
    EXPECT_EQ(Title(), untitled + L" - Brevitex");
    EXPECT_EQ(Disk(), "text");
}

TEST(DocumentPathTest, FilesBeginWithABackslashOrADriveRoot) {
    EXPECT_TRUE(MainFrame::HasFile(L"\\My Documents\\a.txt"));
    EXPECT_TRUE(MainFrame::HasFile(L"C:\\a.txt"));
    EXPECT_TRUE(MainFrame::HasFile(L"z:\\a.txt"));
    EXPECT_FALSE(MainFrame::HasFile(L"无标题1"));
    EXPECT_FALSE(MainFrame::HasFile(L"C:a.txt"));
    EXPECT_FALSE(MainFrame::HasFile(L"1:\\a.txt"));
    EXPECT_FALSE(MainFrame::HasFile(L""));
    EXPECT_FALSE(MainFrame::HasFile(nullptr));
}

TEST_F(DocumentCommandsTest, AFileThatWouldNotComeBackAsksBeforeEachSaveUntilYes) {
    // Code page 936 shows undefined pairs as "?"; the texts below are those a Chinese system gives.
    BX_REQUIRE_ANSI_CODE_PAGE(936u);
    struct Case {
        const char* name;
        std::string bytes;
        bool readOnly;               // opened read-only, with a note saying why
        std::wstring reason;         // in the note
        std::vector<std::wstring> changes;  // lines of the prompt
        std::string saved;           // the file after Yes
    };
    const Case cases[] = {
        // GB18030 four-byte sequences outside GBK.
        {"gb18030", "a\x82\x35\x8F\x33" "b\r\n", true, L"中有 2 个字符无法显示",
         {L"· 2 个无法显示的字符"}, "a??b\r\n"},
        // UTF-8 cut inside its last character: the tail shows as U+FFFD, which GBK lacks.
        {"cut utf-8", "\xE4\xB8\xAD\xE6\x96", true, L"中有 1 个字符无法显示",
         {L"· 1 个无法显示的字符", L"· 编码将改为 UTF-16;"}, "\xFF\xFE\x2D\x4E\xFD\xFF"},
        // Mixed breaks: editable, saved in the most frequent kind.
        {"mixed breaks", "a\nb\r\nc\r\n", false, L"", {L"· 换行符将统一为 CR LF;"}, "a\r\nb\r\nc\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        path_ = dir_.File(L"doc.txt");
        ASSERT_TRUE(WriteBytes(path_, c.bytes));
        {
            BoxAnswerer boxes(IDOK);
            ASSERT_NE(CreateFrame(path_), nullptr);
            auto shown = boxes.Boxes();
            ASSERT_EQ(shown.size(), c.readOnly ? 1u : 0u);
            if (c.readOnly) {
                EXPECT_EQ(shown[0].text, L"文件\"" + path_ + L"\"" + c.reason + L",已以只读模式打开,以免保存时改变原文件。");
                EXPECT_EQ(shown[0].type, 0x40u);
            }
        }
        EXPECT_EQ((GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY) != 0, c.readOnly);
        // Asked whether read-only is on or off; No writes nothing.
        for (int pass = 0; pass < (c.readOnly ? 2 : 1); ++pass) {
            if (pass == 1) Command(ID_VIEW_READONLY);
            BoxAnswerer boxes(IDNO);
            Command(ID_FILE_SAVE);
            auto shown = boxes.Boxes();
            ASSERT_EQ(shown.size(), 1u) << "pass " << pass;
            EXPECT_EQ(shown[0].type, 0x124u) << "No is the default";
            EXPECT_EQ(shown[0].text.rfind(L"保存\"" + path_ + L"\"时,文件内容将与原来不同:\n", 0), 0u) << pass;
            for (const std::wstring& line : c.changes) EXPECT_NE(shown[0].text.find(line), std::wstring::npos);
            EXPECT_EQ(Disk(), c.bytes);
        }
        {
            BoxAnswerer boxes(IDYES);
            Command(ID_FILE_SAVE);
            EXPECT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_EQ(Disk(), c.saved);
            Type(L"x");
            Command(ID_FILE_SAVE);
            EXPECT_EQ(boxes.Boxes().size(), 1u) << "asked once per document";
            EXPECT_NE(Disk(), c.saved);
        }
        DestroyFrame();
    }
    // A file that comes back exactly opens for editing and saves without a question.
    BoxAnswerer boxes(IDNO);
    path_ = dir_.File(L"exact.txt");
    ASSERT_TRUE(WriteBytes(path_, "\xD6\xD0\xCE\xC4"));
    ASSERT_NE(CreateFrame(path_), nullptr);
    EXPECT_EQ(EditText(), L"\u4E2D\u6587");
    EXPECT_FALSE(GetWindowLongW(Edit(), GWL_STYLE) & ES_READONLY);
    Command(ID_FILE_SAVE);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Disk(), "\xD6\xD0\xCE\xC4");
}

TEST_F(DocumentCommandsTest, SavingOverAFileChangedByAnotherProgramAsksFirst) {
    OpenEdited("mine\r\n");
    ASSERT_TRUE(WriteBytes(path_, "theirs, longer\r\n"));
    {
        BoxAnswerer boxes(IDNO);
        Command(ID_FILE_SAVE);
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, ChangedPrompt(path_));
        EXPECT_EQ(shown[0].caption, L"Brevitex");
        EXPECT_EQ(shown[0].type, 0x24u);
        EXPECT_EQ(Disk(), "theirs, longer\r\n");
        EXPECT_TRUE(Modified());
        EXPECT_EQ(Title(), L"doc.txt* - Brevitex");
    }
    {
        // Closing asks to save; declining the overwrite keeps the window.
        BoxAnswerer boxes(IDYES);
        boxes.SetAnswers({IDYES, IDNO});
        EXPECT_FALSE(Close());
        EXPECT_EQ(boxes.Boxes().size(), 2u);
        EXPECT_EQ(Disk(), "theirs, longer\r\n");
    }
    {
        BoxAnswerer boxes(IDYES);
        Command(ID_FILE_SAVE);
        EXPECT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(Disk(), "new mine\r\n");
        EXPECT_FALSE(Modified());
    }
    // After its own save the document writes without asking.
    Type(L"a");
    {
        BoxAnswerer boxes(IDNO);
        Command(ID_FILE_SAVE);
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_EQ(Disk(), "new amine\r\n");
    }
    // The same size written at another time is a change as well.
    ASSERT_TRUE(WriteBytes(path_, "ANEW MINE\r\n"));
    HANDLE file = CreateFileW(path_.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later{0x12345678, 0x01E00000};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &later));
    CloseHandle(file);
    Type(L"b");
    BoxAnswerer boxes(IDNO);
    Command(ID_FILE_SAVE);
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(Disk(), "ANEW MINE\r\n");
}

TEST_F(DocumentCommandsTest, AnOverlongCommandLineIsReportedWithThePathShortened) {
    std::wstring path = dir_.Path() + L"\\" + std::wstring(2200, L'n') + L"\\end.txt";
    BoxAnswerer boxes(IDOK);
    CreateFrame(path);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    const std::wstring& text = shown[0].text;
    EXPECT_EQ(text.rfind(L"打开文件\"" + dir_.Path(), 0), 0u) << "the start of the path";
    EXPECT_NE(text.find(L"n...n"), std::wstring::npos) << "its middle shortened";
    EXPECT_EQ(text.substr(text.size() - 12), L"\\end.txt\"失败！") << "its end";
    EXPECT_LT(text.size(), 1100u);
    EXPECT_EQ(std::wstring(frame_->View().Path().c_str()).rfind(L"无标题", 0), 0u) << "the window stays untitled";
}

TEST_F(DocumentCommandsTest, FilesTooLargeToHoldAreRefusedAtOnce) {
    CreateFrame();
    for (uint64_t gib : {3, 5}) {
        std::wstring huge = dir_.File(L"huge" + std::to_wstring(gib) + L".txt");
        ASSERT_TRUE(WriteBytes(huge, "head"));
        if (UnixPath(huge).empty() || !RunUnix("truncate -s " + std::to_string(gib) + "G " + ShellQuote(UnixPath(huge)))) {
            GTEST_SKIP() << "cannot make a sparse file of " << gib << " GiB here";
        }
        BoxAnswerer boxes(IDOK);
        BrowserAnswerer browser(IDOK, huge);
        DWORD start = GetTickCount();
        Command(ID_FILE_OPEN);
        DWORD elapsed = GetTickCount() - start;
        ASSERT_EQ(boxes.Boxes().size(), 1u) << gib << " GiB";
        EXPECT_EQ(boxes.Boxes()[0].text, L"打开文件\"" + huge + L"\"失败！");
        EXPECT_LT(elapsed, 1000u) << gib << " GiB";
        EXPECT_EQ(EditText(), L"");
    }
}
