// Loading and saving documents through the real rich edit control: exact
// round trips, line-break styles, byte-order marks, failures that must keep
// the document, and word wrap.
#include <gtest/gtest.h>
#include <richedit.h>

#include <string>

#include "ViewTestSupport.h"
#include "document/EditView.h"
#include "support/TestSupport.h"

using brevitex::EditView;
using brevitex::LineBreak;
using brevitex::TextEncoding;
using brevitex::WideString;
using viewtest::Bytes;
using viewtest::StreamedText;

namespace {

// A view whose control text can be made unreadable, as when memory runs out
// while the text streams out.
class FailingReadView : public EditView {
public:
    bool failRead = false;

protected:
    bool ReadControlText(WideString& text) override {
        if (failRead) return false;
        return EditView::ReadControlText(text);
    }
};

class EditViewDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        RECT rect{0, 0, 300, 300};
        ASSERT_NE(view.Create(parent.Handle(), rect, brevitex::kEditViewNoWrapStyle), nullptr);
    }

    std::wstring WriteFile(const std::wstring& name, const std::string& bytes) {
        std::wstring path = dir.File(name);
        EXPECT_TRUE(testsupport::WriteBytes(path, bytes));
        return path;
    }

    HWND Edit() const { return view.Handle(); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) { return SendMessageW(Edit(), message, wParam, lParam); }

    testsupport::TempDir dir;
    viewtest::ParentWindow parent;
    FailingReadView view;
};

std::string Utf16(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

}  // namespace

TEST_F(EditViewDocumentTest, ConsistentBreaksComeBackByteForByte) {
    const std::string files[] = {
        "one\r\ntwo\r\n\r\nthree",
        "one\ntwo\n\nthree\n",
        "one\rtwo\r\rthree\r",
        "\n\n\n",
        "a\r\n\r\n\r\n",
        "no break at all",
        "twice\r\r\nconverted\r\r\n",
        "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\nline\n",
        "\xFF\xFE" + Utf16(L"\x4e2d\r\x6587\rend\r"),
        "\xFF\xFE" + Utf16(std::wstring(L"nul\0inside\r\nkept\r\n", 18)),
    };
    int index = 0;
    for (const std::string& bytes : files) {
        SCOPED_TRACE(index);
        std::wstring path = WriteFile(L"case" + std::to_wstring(index++) + L".txt", bytes);
        ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
        ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
        EXPECT_EQ(Bytes(path), bytes);
    }
}

TEST_F(EditViewDocumentTest, MixedBreaksKeepEveryLineInTheMostFrequentStyle) {
    std::wstring path = WriteFile(L"mixed.txt", "a\r\nb\nc\rd\r\r\ne\n");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.DocumentLineBreak(), LineBreak::Lf);
    EXPECT_TRUE(view.MixedLineBreaks());
    EXPECT_TRUE(view.LoadedExactly()) << "the bytes decode exactly; only the breaks differ";
    EXPECT_EQ(Send(EM_GETLINECOUNT), 6);
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(path), "a\nb\nc\nd\ne\n");
    EXPECT_FALSE(view.MixedLineBreaks());

    // CR CR LF is one break, neither lost nor doubled.
    path = WriteFile(L"crcrlf.txt", "top\r\r\nbottom");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(Send(EM_GETLINECOUNT), 2);
    EXPECT_FALSE(view.MixedLineBreaks());
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(path), "top\r\r\nbottom");
}

TEST_F(EditViewDocumentTest, UndoAndRedoAcrossASaveFollowTheSavedText) {
    std::wstring path = WriteFile(L"undo.txt", "abc\r\n");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    Send(EM_SETSEL, 0, 0);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    ASSERT_EQ(Bytes(path), "xabc\r\n");
    struct Step {
        UINT message;
        bool modified;
    };
    // Away from the saved text, back to it, away again; the keyboard's undo as well.
    const Step steps[] = {{EM_UNDO, true}, {EM_REDO, false}, {WM_UNDO, true}, {EM_REDO, false}};
    for (const Step& step : steps) {
        Send(step.message);
        EXPECT_EQ(Send(EM_GETMODIFY) != 0, step.modified) << step.message;
    }
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    Send(WM_KEYDOWN, 'Z', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(StreamedText(view.Handle()), L"abc\r\n");
    EXPECT_NE(Send(EM_GETMODIFY), 0) << "Ctrl+Z";
}

TEST_F(EditViewDocumentTest, BreaksTypedIntoADocumentTakeItsStyle) {
    std::wstring path = WriteFile(L"unix.txt", "x\ny\n");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    Send(EM_SETSEL, 1, 1);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\npasted\nlines\r"));
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(path), "x\npasted\nlines\n\ny\n");

    view.NewDocument();
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"new\ndocument"));
    std::wstring fresh = dir.File(L"fresh.txt");
    ASSERT_TRUE(view.SaveDocument(fresh.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(fresh), "new\r\ndocument");
}

TEST_F(EditViewDocumentTest, LoadLeavesAFreshUndoHistoryCaretAndModifiedFlag) {
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed before"));
    ASSERT_TRUE(Send(EM_CANUNDO));
    std::wstring path = WriteFile(L"doc.txt", "first\r\nsecond");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::Utf8));
    EXPECT_FALSE(Send(EM_CANUNDO));
    EXPECT_FALSE(Send(EM_GETMODIFY));
    DWORD start = 99, end = 99;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(view.Path(), path.c_str());
    EXPECT_EQ(view.Encoding(), TextEncoding::Utf8);
    EXPECT_FALSE(view.WriteBom());
    EXPECT_EQ(StreamedText(Edit()), L"first\r\nsecond");
}

TEST_F(EditViewDocumentTest, TextBeyondTheControlsDefaultLimitIsAllLoadedAndEditable) {
    std::string big(100000, 'q');
    std::wstring path = WriteFile(L"big.txt", big);
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(GetWindowTextLengthW(Edit()), 100000);
    Send(EM_SETSEL, 100000, 100000);
    Send(WM_CHAR, L'!', 1);
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(path), big + "!");
}

TEST_F(EditViewDocumentTest, AFailedLoadKeepsThePreviousDocument) {
    std::wstring path = WriteFile(L"kept.txt", "\xEF\xBB\xBFkept text");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    Send(EM_SETSEL, 0, 0);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"edited "));
    EXPECT_FALSE(view.LoadDocument(dir.File(L"missing.txt").c_str(), TextEncoding::AutoDetect));
    EXPECT_FALSE(view.LoadDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(view.Path(), path.c_str());
    EXPECT_EQ(view.Encoding(), TextEncoding::Utf8);
    EXPECT_TRUE(view.WriteBom());
    EXPECT_TRUE(Send(EM_GETMODIFY));
    EXPECT_EQ(StreamedText(Edit()), L"edited kept text");
}

TEST_F(EditViewDocumentTest, AnUnreadableControlTextIsNeverSaved) {
    std::wstring path = WriteFile(L"safe.txt", "original");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"changed "));
    view.failRead = true;
    EXPECT_FALSE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_FALSE(view.SaveDocument(dir.File(L"other.txt").c_str(), TextEncoding::Utf8));
    EXPECT_EQ(Bytes(path), "original");
    EXPECT_EQ(GetFileAttributesW(dir.File(L"other.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(view.Path(), path.c_str());
    EXPECT_TRUE(Send(EM_GETMODIFY));
}

TEST_F(EditViewDocumentTest, SavingInAnotherEncodingWritesItsBom) {
    std::wstring path = WriteFile(L"utf8.txt", "\xEF\xBB\xBF\xE4\xB8\xAD!");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    std::wstring target = dir.File(L"utf16.txt");
    ASSERT_TRUE(view.SaveDocument(target.c_str(), TextEncoding::Utf16));
    EXPECT_EQ(Bytes(target), "\xFF\xFE" + Utf16(L"\x4e2d!"));
    EXPECT_EQ(view.Path(), target.c_str());
    EXPECT_EQ(view.Encoding(), TextEncoding::Utf16);
    EXPECT_FALSE(Send(EM_GETMODIFY));
}

TEST_F(EditViewDocumentTest, ANewDocumentSavesAnsiWithoutBomOrFallsBackToUtf16) {
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"plain"));
    EXPECT_TRUE(Send(EM_GETMODIFY));
    std::wstring ansi = dir.File(L"ansi.txt");
    ASSERT_TRUE(view.SaveDocument(ansi.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(ansi), "plain");
    EXPECT_FALSE(Send(EM_GETMODIFY));

    view.NewDocument();
    const wchar_t thai[] = L"\x0e01";
    BOOL replaced = FALSE;
    char converted[8];
    WideCharToMultiByte(CP_ACP, 0, thai, -1, converted, sizeof(converted), nullptr, &replaced);
    if (!replaced) GTEST_SKIP() << "the ANSI code page holds the test character";
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(thai));
    std::wstring wide = dir.File(L"wide.txt");
    ASSERT_TRUE(view.SaveDocument(wide.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(wide), "\xFF\xFE" + Utf16(thai));
    EXPECT_EQ(view.Encoding(), TextEncoding::Utf16);
    EXPECT_TRUE(view.WriteBom());
}

TEST_F(EditViewDocumentTest, WordWrapKeepsTextAndModifiedFlagButNotUndo) {
    std::wstring path = WriteFile(L"wrap.txt", "alpha\nbeta gamma delta\n");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    Send(EM_SETSEL, 0, 0);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L">"));
    ASSERT_TRUE(Send(EM_CANUNDO));
    Send(EM_SETREADONLY, TRUE);
    std::wstring before = StreamedText(Edit());

    HWND wrapped = view.SetWordWrap(true);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped, view.Handle());
    LONG style = GetWindowLongW(wrapped, GWL_STYLE);
    EXPECT_TRUE(style & ES_WANTRETURN);
    EXPECT_FALSE(style & (WS_HSCROLL | ES_AUTOHSCROLL));
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_EQ(StreamedText(wrapped), before);
    EXPECT_TRUE(Send(EM_GETMODIFY));
    EXPECT_FALSE(Send(EM_CANUNDO));
    // The read-only window came back with the read-only background.
    EXPECT_EQ(static_cast<COLORREF>(Send(EM_SETBKGNDCOLOR, 0, 0)), GetSysColor(COLOR_BTNFACE));

    Send(EM_SETREADONLY, FALSE);
    Send(EM_SETMODIFY, FALSE);
    HWND unwrapped = view.SetWordWrap(false);
    style = GetWindowLongW(unwrapped, GWL_STYLE);
    EXPECT_FALSE(style & ES_WANTRETURN);
    EXPECT_TRUE(style & ES_AUTOHSCROLL);
    EXPECT_FALSE(Send(EM_GETMODIFY));
    ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
    EXPECT_EQ(Bytes(path), ">alpha\nbeta gamma delta\n");
}

TEST_F(EditViewDocumentTest, WordWrapKeepsTheScrollBarsAfterSwitchingBothWays) {
    // An empty view has its bars hidden, so its live style lacks them.
    std::wstring lines;
    for (int i = 0; i < 300; ++i) lines += L"line of text that is long enough to need some room\r";
    for (bool on : {true, false, true}) {
        Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        HWND window = view.SetWordWrap(on);
        ASSERT_NE(window, nullptr);
        Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lines.c_str()));
        LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_TRUE(style & WS_VSCROLL) << "word wrap " << on;
        SCROLLBARINFO bar{sizeof(bar)};
        ASSERT_TRUE(GetScrollBarInfo(window, OBJID_VSCROLL, &bar));
        EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "word wrap " << on;
    }
}

TEST_F(EditViewDocumentTest, WordWrapWithoutTheWholeTextKeepsTheWindow) {
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"must survive"));
    HWND before = view.Handle();
    view.failRead = true;
    EXPECT_EQ(view.SetWordWrap(true), before);
    EXPECT_TRUE(IsWindow(before));
    EXPECT_FALSE(GetWindowLongW(before, GWL_STYLE) & ES_WANTRETURN);
    view.failRead = false;
    EXPECT_EQ(StreamedText(before), L"must survive");
}

// A line too long to wrap quickly keeps word wrap off, on loading and on
// switching, with the text exact; the next document wraps again.
TEST_F(EditViewDocumentTest, WordWrapIsDeclinedForALineTooLongToWrap) {
    std::string longLine(EditView::kLongestWrappedLine + 1, 'w');
    std::wstring longPath = WriteFile(L"long-line.txt", "first\n" + longLine + "\n");
    std::wstring shortPath = WriteFile(L"short-lines.txt", "alpha\nbeta\n");
    ASSERT_TRUE(view.LoadDocument(shortPath.c_str(), TextEncoding::AutoDetect));
    ASSERT_TRUE(view.SetWordWrap(true));
    EXPECT_FALSE(view.WrapDeclined());

    ASSERT_TRUE(view.LoadDocument(longPath.c_str(), TextEncoding::AutoDetect));
    EXPECT_FALSE(GetWindowLongW(view.Handle(), GWL_STYLE) & ES_WANTRETURN);
    EXPECT_TRUE(view.WrapDeclined());
    EXPECT_TRUE(view.WrapWanted());
    const std::string expected = "first\r\n" + longLine + "\r\n";
    EXPECT_TRUE(StreamedText(view.Handle()) == std::wstring(expected.begin(), expected.end()));
    HWND unwrapped = view.Handle();
    EXPECT_EQ(view.SetWordWrap(true), unwrapped);
    EXPECT_TRUE(view.WrapDeclined());
    EXPECT_FALSE(GetWindowLongW(unwrapped, GWL_STYLE) & ES_WANTRETURN);

    ASSERT_TRUE(view.LoadDocument(shortPath.c_str(), TextEncoding::AutoDetect));
    EXPECT_TRUE(GetWindowLongW(view.Handle(), GWL_STYLE) & ES_WANTRETURN);
    EXPECT_FALSE(view.WrapDeclined());
}
