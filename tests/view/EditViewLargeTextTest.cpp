// Long documents in the view: a long text is dropped by putting a new control
// in the old one's place (same set-up, same place, no way back through undo),
// and a slow load shows a progress bar over the view while it streams.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ViewTestSupport.h"
#include "document/EditStreams.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using brevitex::EditView;
using brevitex::StreamProgress;
using brevitex::TextEncoding;
using brevitex::WideString;
using viewtest::StreamedText;

namespace {

// Lines of letters, `lines` of them, each starting with its tag.
std::string LongText(const char* tag, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += std::string(tag) + " line " + std::to_string(i) + " of a long document\r\n";
    return text;
}

// Over the control's quick-emptying size (about 90,000 units).
constexpr int kLongLines = 2500;

// What a progress bar over the view looked like after each block streamed in.
struct BarSighting {
    bool visible;
    int position;
    RECT rect;  // in the parent's client coordinates
};

// Watches the parent for a progress bar while the control streams; a clock
// that runs fast makes every load a slow one.
class WatchedView : public EditView {
public:
    std::vector<BarSighting> sightings;
    int blocks = 0;
    int paintsWhileFilling = 0;
    bool escapeOnBar = false;  // presses Esc once the progress bar shows
    int failFills = 0;         // fills still to fail, as when memory runs out
    // Presses Esc and types this once the text is in, when a load no longer listens.
    wchar_t typeAfterFill = 0;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message == WM_PAINT && filling_) ++paintsWhileFilling;
        return EditView::OnMessage(message, wParam, lParam, result);
    }

protected:
    bool FillControl(const WideString& text, StreamProgress* progress) override {
        if (failFills > 0) {
            --failFills;
            return false;
        }
        Spy spy(*this, progress);
        filling_ = true;
        bool whole = EditView::FillControl(text, &spy);
        filling_ = false;
        if (typeAfterFill) {
            PostMessageW(Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
            PostMessageW(Handle(), WM_CHAR, typeAfterFill, 1);
            typeAfterFill = 0;
        }
        return whole;
    }

private:
    class Spy : public StreamProgress {
    public:
        Spy(WatchedView& view, StreamProgress* inner) : view_(view), inner_(inner) {}
        bool Cancelled() const override { return inner_ && inner_->Cancelled(); }
        void Streamed(int units, int total) override {
            if (inner_) inner_->Streamed(units, total);
            ++view_.blocks;
            HWND parent = GetParent(view_.Handle());
            HWND bar = FindWindowExW(parent, nullptr, PROGRESS_CLASSW, nullptr);
            if (!bar) return;
            BarSighting seen{(GetWindowLongW(bar, GWL_STYLE) & WS_VISIBLE) != 0, static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)), {}};
            GetWindowRect(bar, &seen.rect);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&seen.rect), 2);
            view_.sightings.push_back(seen);
            if (view_.escapeOnBar) {
                view_.escapeOnBar = false;
                PostMessageW(view_.Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
            }
        }

    private:
        WatchedView& view_;
        StreamProgress* inner_;
    };

    bool filling_ = false;
};

// The parent's children of the view's class: the view and the controls it replaced.
// Whether a window's own visible style is on (the test's parent stays hidden).
bool Shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

int ViewControls(HWND parent) {
    int count = 0;
    for (HWND child = nullptr; (child = FindWindowExW(parent, child, brevitex::kEditViewClassName, nullptr));) ++count;
    return count;
}

DWORD g_fakeTime = 0;
DWORD WINAPI FastClock() { return g_fakeTime += 300; }

class EditViewLargeTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        RECT rect{10, 20, 310, 320};
        ASSERT_NE(view.Create(parent.Handle(), rect, brevitex::kEditViewWrapStyle), nullptr);
        // Siblings above and below the view, to see it keep its place among them.
        above = CreateWindowExW(0, L"STATIC", L"above", WS_CHILD, 0, 0, 5, 5, parent.Handle(), nullptr, nullptr,
                                nullptr);
        SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        below = CreateWindowExW(0, L"STATIC", L"below", WS_CHILD, 0, 0, 5, 5, parent.Handle(), nullptr, nullptr,
                                nullptr);
        SetWindowPos(below, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        LOGFONTW description{};
        description.lfHeight = -23;
        wcscpy(description.lfFaceName, L"Courier New");
        font = CreateFontIndirectW(&description);
        SendMessageW(view.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SendMessageW(view.Handle(), EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
    }
    void TearDown() override {
        if (view.Handle()) DestroyWindow(view.Handle());
        if (font) DeleteObject(font);
    }

    std::wstring Write(const std::wstring& name, const std::string& bytes) {
        std::wstring path = dir.File(name);
        EXPECT_TRUE(testsupport::WriteBytes(path, bytes));
        return path;
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(view.Handle(), message, wParam, lParam);
    }
    RECT PlaceInParent(HWND window) const {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // Loads a long document, edits it so undo has something, and focuses the view.
    HWND HoldLongEditedDocument() {
        std::wstring path = Write(L"first.txt", LongText("first", kLongLines));
        EXPECT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
        Send(EM_SETSEL, 0, 0);
        Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed "));
        EXPECT_TRUE(Send(EM_CANUNDO));
        SetFocus(view.Handle());
        return view.Handle();
    }
    // The control that took the old one's place has the old one's set-up;
    // the scroll-bar bits come and go with the length of the text. The old
    // one is hidden at once and gone once the thread's messages are handled.
    void ExpectSameSetUp(HWND old, LONG style) {
        HWND now = view.Handle();
        ASSERT_NE(now, nullptr);
        EXPECT_NE(now, old) << "a long text is dropped with its control";
        EXPECT_FALSE(IsWindow(old) && Shown(old));
        EXPECT_TRUE(testsupport::PumpUntil([old] { return !IsWindow(old); }));
        EXPECT_EQ(GetParent(now), parent.Handle());
        constexpr LONG kBars = WS_VSCROLL | WS_HSCROLL;
        EXPECT_EQ(GetWindowLongW(now, GWL_STYLE) & ~kBars, style & ~kBars);
        RECT rect = PlaceInParent(now);
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.top, 20);
        EXPECT_EQ(rect.right, 310);
        EXPECT_EQ(rect.bottom, 320);
        EXPECT_EQ(GetWindow(now, GW_HWNDPREV), above);
        EXPECT_EQ(GetWindow(now, GW_HWNDNEXT), below);
        EXPECT_EQ(GetFocus(), now);
        EXPECT_EQ(Send(EM_GETEVENTMASK), static_cast<LRESULT>(ENM_CHANGE | ENM_SELCHANGE));
        EXPECT_GE(Send(EM_GETLIMITTEXT), 0x7FFFFFFE);
        CHARFORMATW format{};
        format.cbSize = sizeof(format);
        format.dwMask = CFM_FACE | CFM_SIZE;
        Send(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        EXPECT_STREQ(format.szFaceName, L"Courier New");
        EXPECT_EQ(Send(EM_UNDO), 0);
        EXPECT_FALSE(Send(EM_CANUNDO));
    }

    testsupport::TempDir dir;
    viewtest::ParentWindow parent;
    WatchedView view;
    HWND above = nullptr;
    HWND below = nullptr;
    HFONT font = nullptr;
};

}  // namespace

TEST_F(EditViewLargeTextTest, LoadingOverALongDocumentTakesANewControlInTheOldOnesPlace) {
    HWND old = HoldLongEditedDocument();
    Send(EM_SETREADONLY, TRUE);
    LONG style = brevitex::kEditViewWrapStyle | ES_READONLY;
    std::string second = LongText("second", kLongLines);
    std::wstring path = Write(L"second.txt", second);
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));

    ExpectSameSetUp(old, style);
    EXPECT_EQ(StreamedText(view.Handle()), std::wstring(second.begin(), second.end()));
    EXPECT_FALSE(Send(EM_GETMODIFY));
    EXPECT_EQ(view.Path(), path.c_str());
    // Read-only carried over, with its background.
    EXPECT_EQ(static_cast<COLORREF>(Send(EM_SETBKGNDCOLOR, 0, 0)), GetSysColor(COLOR_BTNFACE));
}

// The empty control a new document puts beside a long text is replaced in
// turn before a load fills it; one made with no long text around is kept.
TEST_F(EditViewLargeTextTest, ALoadAfterANewDocumentOverALongOneTakesAControlMadeAfterIt) {
    HWND old = HoldLongEditedDocument();
    view.NewDocument();
    HWND empty = view.Handle();
    ASSERT_TRUE(testsupport::PumpUntil([old] { return !IsWindow(old); }));
    std::wstring path = Write(L"short.txt", "short\r\n");
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_FALSE(IsWindow(empty));
    ExpectSameSetUp(empty, brevitex::kEditViewWrapStyle);
    EXPECT_EQ(StreamedText(view.Handle()), L"short\r\n");

    HWND kept = view.Handle();
    view.NewDocument();
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.Handle(), kept);
    EXPECT_EQ(ViewControls(parent.Handle()), 1);
}

TEST_F(EditViewLargeTextTest, ANewDocumentOverALongOneIsEmptyWritableAndUntitled) {
    HWND old = HoldLongEditedDocument();
    Send(EM_SETREADONLY, TRUE);
    view.NewDocument();

    ExpectSameSetUp(old, brevitex::kEditViewWrapStyle);
    EXPECT_EQ(GetWindowTextLengthW(view.Handle()), 0);
    EXPECT_FALSE(Send(EM_GETMODIFY));
    EXPECT_EQ(wcsncmp(view.Path(), L"无标题", 3), 0);
    EXPECT_EQ(view.Encoding(), TextEncoding::Ansi);
    EXPECT_EQ(static_cast<COLORREF>(Send(EM_SETBKGNDCOLOR, 0, 0)), GetSysColor(COLOR_WINDOW));
    // The empty control hides its scroll bar; a long text brings it back.
    std::string text = LongText("again", 200);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(std::wstring(text.begin(), text.end()).c_str()));
    EXPECT_TRUE(GetWindowLongW(view.Handle(), GWL_STYLE) & WS_VSCROLL);

    // A short text is emptied where it is.
    HWND now = view.Handle();
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"short"));
    view.NewDocument();
    EXPECT_EQ(view.Handle(), now);
    EXPECT_EQ(GetWindowTextLengthW(now), 0);
}

TEST_F(EditViewLargeTextTest, ReplacedControlsWaitHiddenAndLeaveNothingBehind) {
    HWND first = HoldLongEditedDocument();
    view.NewDocument();
    EXPECT_FALSE(Shown(first));
    // The new control takes a long text without being replaced, then is
    // replaced itself before the thread was free: the first one goes at once.
    std::wstring path = Write(L"second.txt", LongText("second", kLongLines));
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    HWND second = view.Handle();
    view.NewDocument();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(Shown(second));
    EXPECT_TRUE(Shown(view.Handle()));

    parent.Clear();
    EXPECT_TRUE(testsupport::PumpUntil([second] { return !IsWindow(second); }));
    EXPECT_EQ(parent.Count(WM_COMMAND), 0) << "the old control tells the parent nothing as it goes";
    EXPECT_EQ(ViewControls(parent.Handle()), 1);
    EXPECT_EQ(GetFocus(), view.Handle());

    // Word wrap, too, first gets rid of a control still waiting to go; the
    // short one it replaces goes at once.
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    HWND third = view.Handle();
    view.NewDocument();
    HWND empty = view.Handle();
    ASSERT_NE(view.SetWordWrap(false), nullptr);
    EXPECT_FALSE(IsWindow(third));
    EXPECT_FALSE(IsWindow(empty));
    EXPECT_EQ(ViewControls(parent.Handle()), 1);
}

// Word wrap over a long text: the old control goes first, and the new one
// takes the text with the old one's set-up.
TEST_F(EditViewLargeTextTest, WordWrapOverALongTextKeepsTheSetUp) {
    HWND old = HoldLongEditedDocument();
    std::wstring before = StreamedText(old);
    Send(EM_SETSEL, 1000, 1010);
    ASSERT_NE(view.SetWordWrap(false), nullptr);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(StreamedText(view.Handle()), before);
    EXPECT_TRUE(Send(EM_GETMODIFY));
    DWORD start = 0;
    DWORD end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1000u) << "the selection stays where it was";
    EXPECT_EQ(end, 1010u);
    SCROLLBARINFO bar{sizeof(bar)};
    ASSERT_TRUE(GetScrollBarInfo(view.Handle(), OBJID_VSCROLL, &bar));
    EXPECT_FALSE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE) << "a long text shows its scroll bar";
    ExpectSameSetUp(old, static_cast<LONG>(brevitex::kEditViewNoWrapStyle));
    EXPECT_EQ(ViewControls(parent.Handle()), 1);
}

TEST_F(EditViewLargeTextTest, AControlWaitingToGoGoesWithTheViewWindowOrObject) {
    HWND old = HoldLongEditedDocument();
    view.NewDocument();
    DestroyWindow(view.Handle());
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(ViewControls(parent.Handle()), 0);

    std::wstring path = Write(L"other.txt", LongText("other", kLongLines));
    {
        EditView other;
        RECT rect{0, 0, 200, 200};
        ASSERT_NE(other.Create(parent.Handle(), rect, brevitex::kEditViewNoWrapStyle), nullptr);
        ASSERT_TRUE(other.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
        other.NewDocument();
        EXPECT_EQ(ViewControls(parent.Handle()), 2);
    }
    EXPECT_EQ(ViewControls(parent.Handle()), 0);
}

TEST_F(EditViewLargeTextTest, AFailedLoadOverALongDocumentKeepsItsControlAndText) {
    HWND old = HoldLongEditedDocument();
    std::wstring before = StreamedText(old);
    EXPECT_FALSE(view.LoadDocument(dir.File(L"missing.txt").c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.Handle(), old);
    EXPECT_EQ(StreamedText(old), before);
    EXPECT_TRUE(Send(EM_CANUNDO));
    EXPECT_TRUE(Send(EM_GETMODIFY));
}

TEST_F(EditViewLargeTextTest, ALongTextComesBackByteForByte) {
    // UTF-16 with surrogate pairs at odd places, so some piece of the text
    // would end between the two units of a pair; and one with a NUL unit.
    // Lines of 60 units: "x", 29 pairs, CR; every pair starts at an odd offset.
    std::wstring pairs;
    for (int line = 0; line < 2000; ++line) {
        pairs += L"x";
        for (int i = 0; i < 29; ++i) pairs += L"\xD840\xDC00";
        pairs += L"\r";
    }
    std::wstring withNul = pairs;
    withNul[70001] = 0;
    for (const std::wstring& text : {pairs, withNul}) {
        std::string bytes = "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        std::wstring path = Write(L"pairs.txt", bytes);
        ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
        ASSERT_TRUE(view.SaveDocument(L"", TextEncoding::AutoDetect));
        std::string saved;
        ASSERT_TRUE(testsupport::ReadBytes(path, &saved));
        EXPECT_TRUE(saved == bytes) << "saved " << saved.size() << " bytes of " << bytes.size();
    }
}

TEST_F(EditViewLargeTextTest, ASlowLoadShowsProgressOverTheViewUntilItEnds) {
    view.SetTickSource(FastClock);
    // Long enough to go in as several pieces.
    std::wstring path = Write(L"slow.txt", LongText("slow", kLongLines * 3));
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));

    ASSERT_FALSE(view.sightings.empty()) << "no progress bar in " << view.blocks << " blocks";
    // Not from the start: only once half a second has gone by.
    EXPECT_LT(view.sightings.size(), static_cast<size_t>(view.blocks));
    RECT viewRect = PlaceInParent(view.Handle());
    int last = -1;
    for (const BarSighting& seen : view.sightings) {
        EXPECT_TRUE(seen.visible);
        EXPECT_GE(seen.position, last);
        last = seen.position;
        EXPECT_EQ(seen.rect.left, viewRect.left);
        EXPECT_EQ(seen.rect.right, viewRect.right);
        EXPECT_EQ(seen.rect.bottom, viewRect.bottom);
        EXPECT_GT(seen.rect.top, viewRect.top);
    }
    EXPECT_GT(last, view.sightings.front().position);
    EXPECT_EQ(FindWindowExW(parent.Handle(), nullptr, PROGRESS_CLASSW, nullptr), nullptr) << "the bar stays";
    std::string text = LongText("slow", kLongLines * 3);
    EXPECT_EQ(StreamedText(view.Handle()), std::wstring(text.begin(), text.end()));
}

TEST_F(EditViewLargeTextTest, AShownViewPaintsOnlyOnceItsTextIsIn) {
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(parent.Handle());
    std::string text = LongText("shown", kLongLines * 3);
    std::wstring path = Write(L"shown.txt", text);
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_GT(view.blocks, 1);
    EXPECT_EQ(view.paintsWhileFilling, 0);
    EXPECT_TRUE(Shown(view.Handle()));
    // Painted by the time the thread is free, with the text's first line in view.
    EXPECT_TRUE(testsupport::PumpUntil([this] { return !GetUpdateRect(view.Handle(), nullptr, FALSE); }));
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);
    ShowWindow(parent.Handle(), SW_HIDE);
}

TEST_F(EditViewLargeTextTest, AQuickLoadShowsNoProgress) {
    std::wstring path = Write(L"quick.txt", LongText("quick", 50));
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_GT(view.blocks, 0);
    EXPECT_TRUE(view.sightings.empty());
}

// Edits of the whole text: over a long text the view puts a new control in
// place and keeps the old one for undo; what the user sees after each step -
// text, selection, modified flag, undo and redo - must be what the control's
// own edit gives over a short text.
TEST_F(EditViewLargeTextTest, WholeTextEditsOfALongTextGoAndComeBackAsTheControlsOwnDo) {
    enum Step { kSelectAll, kDeleteKey, kBackspace, kDeleteCommand, kCutCommand, kTypeABC, kUndo, kRedo, kUndoKey,
                kRedoKey, kTypeX };
    const std::vector<Step> script = {
        kSelectAll, kDeleteKey, kUndo, kUndo, kRedo, kRedo, kRedo,  // through a step before the deletion
        kUndo, kSelectAll, kTypeABC, kUndo, kRedo, kUndo, kRedo, kUndo, kUndo,  // typing over all is one step
        kSelectAll, kBackspace, kUndoKey, kRedoKey, kUndo, kTypeX, kRedo,  // an edit after undo ends redo
        kUndo, kUndo, kSelectAll, kDeleteCommand, kUndo, kSelectAll, kCutCommand, kUndo, kRedo};
    auto run = [&](int lines) {
        std::string file = LongText("doc", lines);
        std::wstring path = Write(L"whole.txt", file);
        EXPECT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
        SetFocus(view.Handle());
        Send(EM_SETSEL, 0, 0);
        Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed "));
        const std::wstring original(file.begin(), file.end());
        const std::wstring typed = L"typed " + original;
        std::vector<std::wstring> seen;
        for (Step step : script) {
            switch (step) {
                case kSelectAll: Send(EM_SETSEL, 0, -1); break;
                case kDeleteKey: Send(WM_KEYDOWN, VK_DELETE); Send(WM_KEYUP, VK_DELETE); break;
                case kBackspace: Send(WM_KEYDOWN, VK_BACK); Send(WM_CHAR, 8); Send(WM_KEYUP, VK_BACK); break;
                case kDeleteCommand: Send(WM_COMMAND, ID_EDIT_CLEAR); break;
                case kCutCommand: Send(WM_COMMAND, ID_EDIT_CUT); break;
                case kTypeABC: for (wchar_t c : std::wstring(L"abc")) Send(WM_CHAR, c); break;
                case kTypeX: Send(WM_CHAR, L'x'); break;
                case kUndo: Send(WM_COMMAND, ID_EDIT_UNDO); break;
                case kRedo: Send(WM_COMMAND, ID_EDIT_REDO); break;
                case kUndoKey:
                case kRedoKey: {
                    BYTE keys[256] = {};
                    GetKeyboardState(keys);
                    keys[VK_CONTROL] = 0x80;
                    SetKeyboardState(keys);
                    Send(WM_KEYDOWN, step == kUndoKey ? 'Z' : 'Y');
                    keys[VK_CONTROL] = 0;
                    SetKeyboardState(keys);
                    break;
                }
            }
            std::wstring text = StreamedText(view.Handle());
            GETTEXTLENGTHEX units{GTL_NUMCHARS | GTL_PRECISE, 1200};
            const auto length = static_cast<LONG>(Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&units)));
            CHARRANGE selection{};
            Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
            auto at = [&](LONG position) {
                return position >= length ? std::wstring(L"end") : std::to_wstring(position);
            };
            std::wstring name = text == original ? L"original"
                                : text == typed  ? L"typed+original"
                                : text.size() < 8 ? L"\"" + text + L"\""
                                                  : L"other text";
            seen.push_back(std::to_wstring(seen.size()) + L": " + name + L" [" + at(selection.cpMin) + L"," +
                           at(selection.cpMax) + L"] modified " + std::to_wstring(Send(EM_GETMODIFY) != 0) +
                           L" undo " + std::to_wstring(Send(EM_CANUNDO) != 0) + L" redo " +
                           std::to_wstring(Send(EM_CANREDO) != 0) + L" focus " +
                           std::to_wstring(GetFocus() == view.Handle()));
        }
        return seen;
    };
    const std::vector<std::wstring> own = run(20);
    const std::vector<std::wstring> replaced = run(kLongLines);
    EXPECT_GT(ViewControls(parent.Handle()), 1) << "the long text was replaced, not edited in place";
    ASSERT_EQ(replaced.size(), own.size());
    for (size_t i = 0; i < own.size(); ++i) EXPECT_EQ(replaced[i], own[i]);
    // The kept controls hide behind the shown one and go with the next document.
    view.NewDocument();
    EXPECT_TRUE(testsupport::PumpUntil([this] { return ViewControls(parent.Handle()) == 1; }));
}

// Cut off by its parent, the view scrolls the caret into the part still shown.
TEST_F(EditViewLargeTextTest, TheCaretIsScrolledIntoTheShownPart) {
    std::wstring path = Write(L"shown.txt", LongText("shown", 200));
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    const int lineHeight = view.LineHeight();
    ASSERT_GT(lineHeight, 0);
    view.SetShownHeight(4 * lineHeight);
    const auto target = static_cast<WPARAM>(Send(EM_LINEINDEX, 8));
    Send(EM_SETSEL, target, target);
    Send(EM_SCROLLCARET);
    POINTL caret{};
    Send(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), static_cast<LPARAM>(target));
    EXPECT_GE(caret.y, 0);
    EXPECT_LE(caret.y + lineHeight, 4 * lineHeight);
    EXPECT_GT(Send(EM_GETFIRSTVISIBLELINE), 0);
}

// Esc during a long load over a short document cancels it: the document stays
// with its text, undo and modified flag; without Esc, keys pressed meanwhile
// reach the new text afterwards, in their order, and an Esc too late to
// cancel reaches nothing.
TEST_F(EditViewLargeTextTest, EscapeCancelsALongLoadAndTheDocumentStaysAsItWas) {
    std::wstring shortPath = Write(L"short.txt", "short text\r\n");
    ASSERT_TRUE(view.LoadDocument(shortPath.c_str(), TextEncoding::AutoDetect));
    Send(EM_SETSEL, 0, 0);
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed "));
    HWND shown = view.Handle();
    const std::wstring before = StreamedText(shown);
    std::wstring longPath = Write(L"long.txt", LongText("long", kLongLines * 3));

    // Shown, with a clock that shows the progress bar at once.
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(parent.Handle());
    view.SetTickSource(FastClock);
    view.escapeOnBar = true;
    EXPECT_FALSE(view.LoadDocument(longPath.c_str(), TextEncoding::AutoDetect));
    EXPECT_FALSE(view.sightings.empty()) << "cancelled while its progress showed";
    EXPECT_EQ(view.LastLoad(), EditView::LoadEnd::Cancelled);
    EXPECT_EQ(view.Handle(), shown);
    EXPECT_TRUE(Shown(shown));
    EXPECT_EQ(StreamedText(shown), before);
    EXPECT_EQ(view.Path(), shortPath.c_str());
    EXPECT_TRUE(Send(EM_GETMODIFY));
    EXPECT_TRUE(Send(EM_UNDO));
    EXPECT_EQ(StreamedText(shown), L"short text\r\n");
    testsupport::PumpPending();
    EXPECT_EQ(ViewControls(parent.Handle()), 1);

    PostMessageW(shown, WM_CHAR, L'x', 1);
    view.typeAfterFill = L'y';
    ASSERT_TRUE(view.LoadDocument(longPath.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.LastLoad(), EditView::LoadEnd::Loaded);
    EXPECT_NE(view.Handle(), shown);
    MSG escape;
    EXPECT_FALSE(PeekMessageW(&escape, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
    Send(EM_SETSEL, 0, 0);
    testsupport::PumpPending();
    std::string text = LongText("long", kLongLines * 3);
    text.insert(0, "xy");
    EXPECT_TRUE(StreamedText(view.Handle()) == std::wstring(text.begin(), text.end()));
    EXPECT_TRUE(testsupport::PumpUntil([shown] { return !IsWindow(shown); }));
    ShowWindow(parent.Handle(), SW_HIDE);
}

// Esc cancels a load over a long document both while the file is read and
// while the new control fills; only a text two long ones cannot both hold
// drops the document first.
TEST_F(EditViewLargeTextTest, EscapeCancelsALoadOverALongDocumentWhileReadingOrFilling) {
    HWND old = HoldLongEditedDocument();
    const std::wstring before = StreamedText(old);
    // Long enough to go in as several pieces.
    std::wstring path = Write(L"second.txt", LongText("second", kLongLines * 3));
    PostMessageW(old, WM_CHAR, L'x', 1);
    PostMessageW(old, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_FALSE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.LastLoad(), EditView::LoadEnd::Cancelled);

    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    view.SetTickSource(FastClock);
    view.escapeOnBar = true;
    EXPECT_FALSE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_FALSE(view.sightings.empty()) << "cancelled while the control filled";
    EXPECT_EQ(view.LastLoad(), EditView::LoadEnd::Cancelled);
    EXPECT_EQ(view.Handle(), old);
    EXPECT_TRUE(Shown(old));
    testsupport::PumpPending();
    EXPECT_TRUE(StreamedText(old) == before) << "keys pressed before the Esc go with the load";
    EXPECT_TRUE(Send(EM_GETMODIFY));
    EXPECT_TRUE(Send(EM_CANUNDO));
    EXPECT_EQ(ViewControls(parent.Handle()), 1);

    view.failFills = 1;
    ASSERT_TRUE(view.LoadDocument(path.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.Path(), path.c_str());
    std::string second = LongText("second", kLongLines * 3);
    EXPECT_TRUE(StreamedText(view.Handle()) == std::wstring(second.begin(), second.end()));
    EXPECT_FALSE(Send(EM_GETMODIFY));
    ShowWindow(parent.Handle(), SW_HIDE);
}

TEST_F(EditViewLargeTextTest, AFileWithALineTooLongToLayOutIsRefusedAndTheDocumentStays) {
    std::wstring shortPath = Write(L"short.txt", "short text\r\n");
    ASSERT_TRUE(view.LoadDocument(shortPath.c_str(), TextEncoding::AutoDetect));
    HWND shown = view.Handle();
    std::string line(static_cast<size_t>(EditView::kLongestLine) + 1, 'a');
    line += "\r\nnext\r\n";
    std::wstring longPath = Write(L"one-line.txt", line);
    EXPECT_FALSE(view.LoadDocument(longPath.c_str(), TextEncoding::AutoDetect));
    EXPECT_EQ(view.LastLoad(), EditView::LoadEnd::LineTooLong);
    EXPECT_EQ(view.Handle(), shown);
    EXPECT_EQ(StreamedText(shown), L"short text\r\n");
    EXPECT_EQ(view.Path(), shortPath.c_str());
}
