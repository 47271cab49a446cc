// The view's window behaviour: font and modified flag, date insertion,
// read-only mode and command states, untitled numbering, held-key
// acceleration, tap-and-hold and the context menu.
#include <gtest/gtest.h>
#include <richedit.h>

#include <map>
#include <string>
#include <thread>

#include "ViewTestSupport.h"
#include "common/Messages.h"
#include "document/EditQueries.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using brevitex::EditView;
using brevitex::UWM_UPDATE_POSITION;
using viewtest::StreamedText;

namespace {

DWORD g_now = 0;
DWORD WINAPI FakeTicks() { return g_now; }

// Counts the presses a burst hands to the control.
class CountingView : public EditView {
public:
    std::map<UINT, int> presses;

protected:
    void PressKey(UINT key) override {
        ++presses[key];
        EditView::PressKey(key);
    }
};

class EditViewBehaviourTest : public ::testing::Test {
protected:
    void Create(DWORD style, int height = 300) {
        RECT rect{0, 0, 300, height};
        ASSERT_NE(view.Create(parent.Handle(), rect, style), nullptr);
    }
    void SetUp() override { Create(brevitex::kEditViewNoWrapStyle); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(view.Handle(), message, wParam, lParam);
    }
    void Command(UINT id) { Send(WM_COMMAND, id, 0); }
    COLORREF Background() {
        COLORREF colour = static_cast<COLORREF>(Send(EM_SETBKGNDCOLOR, 0, 0));
        Send(EM_SETBKGNDCOLOR, 0, colour);
        return colour;
    }

    viewtest::ParentWindow parent;
    CountingView view;
};

std::wstring FormattedNow(UINT id) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[256] = {};
    if (id == ID_INSERT_TIME) {
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, 256);
    } else {
        GetDateFormatW(LOCALE_USER_DEFAULT, id == ID_INSERT_LONGDATE ? DATE_LONGDATE : DATE_SHORTDATE, &now,
                       nullptr, text, 256);
    }
    return text;
}

// Ends the popup menu a window is about to track, once its loop runs.
void CancelMenuSoon() {
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
        KillTimer(nullptr, id);
        EndMenu();
    });
}

}  // namespace

TEST_F(EditViewBehaviourTest, AFontChangeNeverMarksTheDocumentModified) {
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_FALSE(Send(EM_GETMODIFY));
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"text"));
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    EXPECT_TRUE(Send(EM_GETMODIFY));
    Send(EM_SETMODIFY, FALSE);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_FALSE(Send(EM_GETMODIFY));
    Send(WM_SETFONT, 0, FALSE);
    DeleteObject(font);
}

TEST_F(EditViewBehaviourTest, DateAndTimeReplaceTheSelectionAndCannotBeUndone) {
    for (UINT id : {ID_INSERT_SHORTDATE, ID_INSERT_LONGDATE, ID_INSERT_TIME}) {
        SCOPED_TRACE(id);
        viewtest::SetText(view.Handle(), L"");
        Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"hello world"));
        Send(EM_SETSEL, 6, 11);
        std::wstring before = FormattedNow(id);
        Command(id);
        std::wstring after = FormattedNow(id);
        std::wstring text = StreamedText(view.Handle());
        EXPECT_TRUE(text == L"hello " + before || text == L"hello " + after) << "got " << text.size() << " units";
        Send(EM_UNDO);
        EXPECT_EQ(StreamedText(view.Handle()), text);
    }
}

TEST_F(EditViewBehaviourTest, ReadOnlyModeColoursTheBackgroundAndDisablesEditing) {
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"some text"));
    Send(EM_SETSEL, 0, 4);
    EXPECT_EQ(Background(), GetSysColor(COLOR_WINDOW));
    Send(EM_SETREADONLY, TRUE);
    EXPECT_EQ(Background(), GetSysColor(COLOR_BTNFACE));

    viewtest::RecordingSink sink;
    view.UpdateCommandUI(sink);
    for (UINT id : {ID_INSERT_LONGDATE, ID_INSERT_SHORTDATE, ID_INSERT_TIME, ID_EDIT_CUT, ID_EDIT_CLEAR,
                    ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_REDO}) {
        EXPECT_FALSE(sink.enabled.at(id)) << id;
    }
    for (UINT id : {ID_EDIT_COPY, ID_EDIT_SELECT_ALL, ID_EDIT_SELECTMODE, ID_TOOLS_CALL}) {
        EXPECT_TRUE(sink.enabled.at(id)) << id;
    }
    EXPECT_TRUE(sink.checked.at(ID_VIEW_READONLY));

    // Even sent directly, an insertion does not reach a read-only document.
    Command(ID_INSERT_TIME);
    EXPECT_EQ(StreamedText(view.Handle()), L"some text");

    Send(EM_SETREADONLY, FALSE);
    EXPECT_EQ(Background(), GetSysColor(COLOR_WINDOW));
    view.UpdateCommandUI(sink);
    EXPECT_FALSE(sink.checked.at(ID_VIEW_READONLY));
    EXPECT_TRUE(sink.enabled.at(ID_EDIT_CUT));
}

TEST_F(EditViewBehaviourTest, CommandStatesFollowTheEdits) {
    viewtest::RecordingSink sink;
    view.UpdateCommandUI(sink);
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_SELECTMODE));
    EXPECT_FALSE(sink.enabled.at(ID_TOOLS_CALL));
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_COPY));
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_UNDO));
    EXPECT_TRUE(sink.enabled.at(ID_INSERT_TIME));
    EXPECT_FALSE(sink.checked.at(ID_VIEW_WORDWRAP));

    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"13800138000"));
    view.UpdateCommandUI(sink);
    EXPECT_TRUE(sink.enabled.at(ID_EDIT_UNDO));
    EXPECT_TRUE(sink.enabled.at(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_CUT));

    Command(ID_EDIT_SELECT_ALL);
    view.UpdateCommandUI(sink);
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_TOOLS_CALL}) EXPECT_TRUE(sink.enabled.at(id)) << id;

    Command(ID_EDIT_CUT);
    view.UpdateCommandUI(sink);
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(sink.enabled.at(ID_EDIT_PASTE));
    Command(ID_EDIT_UNDO);
    view.UpdateCommandUI(sink);
    EXPECT_TRUE(sink.enabled.at(ID_EDIT_REDO));
    EXPECT_EQ(StreamedText(view.Handle()), L"13800138000");

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    view.UpdateCommandUI(sink);
    EXPECT_FALSE(sink.enabled.at(ID_EDIT_PASTE));

    HWND wrapped = view.SetWordWrap(true);
    ASSERT_NE(wrapped, nullptr);
    view.UpdateCommandUI(sink);
    EXPECT_TRUE(sink.checked.at(ID_VIEW_WORDWRAP));
}

TEST_F(EditViewBehaviourTest, UntitledNumbersRunOnAcrossViewsAndThreads) {
    auto number = [](const brevitex::WideString& path) {
        std::wstring text = path.c_str();
        EXPECT_EQ(text.rfind(L"无标题", 0), 0u) << "path has " << text.size() << " units";
        return std::stoi(text.substr(3));
    };
    int first = number(view.Path());
    int other = 0;
    std::thread([&] {
        EditView second;
        other = number(second.Path());
    }).join();
    EXPECT_EQ(other, first + 1);
    view.NewDocument();
    EXPECT_EQ(number(view.Path()), first + 2);
    EXPECT_EQ(view.Encoding(), brevitex::TextEncoding::Ansi);
    EXPECT_TRUE(view.WriteBom());
}

TEST_F(EditViewBehaviourTest, AHeldKeyAddsPagesAndLinesGrowingWithTheTimeHeld) {
    DestroyWindow(view.Handle());
    Create(brevitex::kEditViewWrapStyle, 300);
    RECT client{};
    GetClientRect(view.Handle(), &client);
    ASSERT_EQ(client.bottom, 300);
    // A 20-pixel paging line: the font height in pixels plus the edge metric.
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_SIZE;
    format.yHeight = (20 - GetSystemMetrics(SM_CYEDGE)) * 1440 / dpi;
    Send(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    ASSERT_EQ(view.LineHeight(), 20);

    std::wstring text;
    for (int i = 0; i < 400; ++i) text += L"line\r";
    viewtest::SetText(view.Handle(), text.c_str());
    Send(EM_SETSEL, 0, 0);
    view.SetTickSource(FakeTicks);

    g_now = 1000;
    Send(WM_KEYDOWN, VK_DOWN);
    EXPECT_TRUE(view.presses.empty());
    g_now = 2000;  // one second held: 10 x 10 moves, 15 lines a page
    Send(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(view.presses[VK_NEXT], 6);
    EXPECT_EQ(view.presses[VK_DOWN], 10);
    int line = 0, column = 0;
    ASSERT_TRUE(brevitex::CaretPosition(view.Handle(), line, column));
    EXPECT_GT(line, 60);

    // A key-up starts the timing afresh.
    Send(WM_KEYUP, VK_DOWN);
    view.presses.clear();
    g_now = 5000;
    Send(WM_KEYDOWN, VK_DOWN);
    EXPECT_TRUE(view.presses.empty());
    g_now = 5150;
    Send(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(view.presses[VK_DOWN], 1);
    EXPECT_EQ(view.presses[VK_NEXT], 0);
}

TEST_F(EditViewBehaviourTest, AWaitingKeyUpEndsABurstAndStaysQueued) {
    std::wstring text;
    for (int i = 0; i < 100; ++i) text += L"row\r";
    viewtest::SetText(view.Handle(), text.c_str());
    Send(EM_SETSEL, 0, 0);
    testsupport::PumpPending();
    PostMessageW(view.Handle(), WM_KEYUP, VK_DOWN, 0);
    view.SendKeyBurst(VK_DOWN, 50);
    EXPECT_EQ(view.presses[VK_DOWN], 1);
    EXPECT_TRUE(viewtest::TakePosted(view.Handle(), WM_KEYUP));

    // At the last line a burst downwards stops after one press.
    Send(EM_SETSEL, static_cast<WPARAM>(text.size()), static_cast<LPARAM>(text.size()));
    view.presses.clear();
    view.SendKeyBurst(VK_NEXT, 50);
    EXPECT_EQ(view.presses[VK_NEXT], 1);
}

TEST_F(EditViewBehaviourTest, TapAndHoldIsConsumedWhileAPlainTapReachesTheControl) {
    Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"hello world"));
    Send(EM_SETSEL, 0, 0);
    testsupport::PumpPending();
    POINTL at{};
    Send(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), 6);
    LPARAM point = MAKELPARAM(at.x + 1, at.y + 2);

    parent.Clear();
    PostMessageW(view.Handle(), WM_LBUTTONUP, 0, point);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, point);
    testsupport::PumpPending();
    DWORD start = 0, end = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 6u);
    EXPECT_GE(parent.Count(UWM_UPDATE_POSITION), 1);

    Send(EM_SETSEL, 0, 0);
    testsupport::PumpPending();
    parent.Clear();
    Send(WM_LBUTTONDOWN, MK_LBUTTON, point);
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(parent.Count(UWM_UPDATE_POSITION), 0);
    EXPECT_TRUE(viewtest::TakePosted(view.Handle(), WM_CONTEXTMENU));
    if (GetCapture() == view.Handle()) ReleaseCapture();
}

TEST_F(EditViewBehaviourTest, TheContextMenuAsksTheParentForItsStates) {
    CancelMenuSoon();
    Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.Handle()), MAKELPARAM(20, 20));
    ASSERT_EQ(parent.popupItems.size(), 1u);
    std::vector<UINT> expected{ID_EDIT_UNDO, ID_EDIT_REDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE,
                               ID_EDIT_CLEAR, 0, ID_EDIT_SELECT_ALL};
    EXPECT_EQ(parent.popupItems[0], expected);
}
