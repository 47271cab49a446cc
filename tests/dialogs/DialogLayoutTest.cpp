// Dialog layouts: growing, shrinking, centring, minimised windows, controls
// moved by other code, and that layouts never accumulate.
#include <gtest/gtest.h>

#include "DialogTestHelpers.h"
#include "common/Window.h"
#include "dialogs/DialogLayout.h"

using namespace brevitex;
using dialogtests::RectIn;

namespace {

enum : int { kNumber = 1008, kMessage = 1009, kCounter = 1010, kButton = 1, kFooter = 7, kBadge = 8, kBand = 9,
             kMissing = 4242 };

// The SMS dialog's rows, then one row for each other kind of flag.
const LayoutRow kTestTable[] = {
    {kNumber, kLayoutStretchX}, {kMessage, kLayoutStretchX | kLayoutStretchY}, {kCounter, kLayoutStretchX},
    {kMissing, kLayoutStretchX}, {kButton, kLayoutMoveX}, {kFooter, kLayoutMoveY},
    {kBadge, kLayoutCenterX | kLayoutCenterY}, {kBand, kLayoutRepaint}, kLayoutEnd,
};

// A captioned popup whose WM_SIZE goes through its layout, as in the dialogs.
class LayoutWindow : public WindowBase {
public:
    LayoutWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &WindowBase::StartWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrevitexLayoutTestWindow";
        RegisterClassW(&wc);  // fails harmlessly after the first time
        CreateBound(0, wc.lpszClassName, L"layout", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 300, 240, nullptr,
                    nullptr, wc.hInstance, nullptr);
        const int children[][5] = {{kNumber, 40, 10, 200, 20}, {kMessage, 10, 60, 270, 100},
                                   {kCounter, 10, 40, 270, 16}, {kButton, 250, 10, 40, 20},
                                   {kFooter, 10, 170, 80, 20},  {kBadge, 100, 100, 60, 30},
                                   {kBand, 5, 5, 30, 30}};
        for (const auto& c : children) {
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, c[1], c[2], c[3], c[4], hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c[0])), wc.hInstance, nullptr);
        }
        layout.InitLayout(hwnd_);
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message != WM_SIZE) return false;
        layout.OnSize(hwnd_, wParam, lParam);
        result = 0;
        return true;
    }

    RECT Rect(int id) const { return RectIn(hwnd_, GetDlgItem(hwnd_, id)); }
    // Resizes the window so that its client area is dx, dy larger than at the start.
    void Grow(int dx, int dy) const {
        RECT window{}, client{};
        GetWindowRect(hwnd_, &window);
        GetClientRect(hwnd_, &client);
        SetWindowPos(hwnd_, nullptr, 0, 0, layout.InitialWidth() + dx + (window.right - window.left - client.right),
                     layout.InitialHeight() + dy + (window.bottom - window.top - client.bottom),
                     SWP_NOMOVE | SWP_NOZORDER);
    }

    DialogLayout layout{kTestTable};
};

void ExpectRect(const RECT& actual, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(actual.left, left);
    EXPECT_EQ(actual.top, top);
    EXPECT_EQ(actual.right, right);
    EXPECT_EQ(actual.bottom, bottom);
}

}  // namespace

TEST(DialogLayoutTest, InitLayoutRecordsRowsAndPreparesTheWindow) {
    LayoutWindow window;
    const DialogLayout& layout = window.layout;
    ASSERT_EQ(layout.RowCount(), 8);  // the missing control keeps its row
    ExpectRect(layout.RowAt(0).start, 40, 10, 240, 30);
    EXPECT_EQ(layout.RowAt(3).id, kMissing);
    RECT client{}, frame{};
    GetClientRect(window.Handle(), &client);
    GetWindowRect(window.Handle(), &frame);
    EXPECT_EQ(layout.InitialWidth(), client.right);
    EXPECT_EQ(layout.InitialHeight(), client.bottom);
    EXPECT_EQ(layout.MinTrackX(), frame.right - frame.left);
    EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_STYLE) & WS_CLIPCHILDREN);
    EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

TEST(DialogLayoutTest, GrowingStretchesMovesAndCentres) {
    LayoutWindow window;
    window.Grow(100, 50);
    // The SMS dialog's rows: wider by 100, the message box taller by 50, nothing moved.
    ExpectRect(window.Rect(kNumber), 40, 10, 340, 30);
    ExpectRect(window.Rect(kMessage), 10, 60, 380, 210);
    ExpectRect(window.Rect(kCounter), 10, 40, 380, 56);
    ExpectRect(window.Rect(kButton), 350, 10, 390, 30);
    ExpectRect(window.Rect(kFooter), 10, 220, 90, 240);
    const int width = window.layout.InitialWidth() + 100;
    const int height = window.layout.InitialHeight() + 50;
    ExpectRect(window.Rect(kBadge), (width - 60) / 2, (height - 30) / 2, (width - 60) / 2 + 60, (height - 30) / 2 + 30);
    ExpectRect(window.Rect(kBand), 5, 5, 35, 35);  // repaint alone moves nothing
}

TEST(DialogLayoutTest, ShrinkingBelowTheTemplateAndBackWithoutAccumulating) {
    LayoutWindow window;
    window.Grow(-30, -20);
    ExpectRect(window.Rect(kNumber), 40, 10, 210, 30);
    ExpectRect(window.Rect(kMessage), 10, 60, 250, 140);
    ExpectRect(window.Rect(kButton), 220, 10, 260, 30);
    ExpectRect(window.Rect(kFooter), 10, 150, 90, 170);
    window.Grow(50, 50);
    window.layout.UpdateLayout(window.Handle(), window.layout.InitialWidth() + 50, window.layout.InitialHeight() + 50);
    ExpectRect(window.Rect(kMessage), 10, 60, 330, 210);
    window.Grow(0, 0);
    ExpectRect(window.Rect(kMessage), 10, 60, 280, 160);
    ExpectRect(window.Rect(kButton), 250, 10, 290, 30);
}

TEST(DialogLayoutTest, MinimisedWindowIsNotLaidOut) {
    LayoutWindow window;
    window.Grow(40, 0);
    ShowWindow(window.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window.Handle()));
    window.layout.OnSize(window.Handle(), SIZE_MINIMIZED, 0);
    ExpectRect(window.Rect(kButton), 290, 10, 330, 30);
}

TEST(DialogLayoutTest, SizesAreSignedWords) {
    LayoutWindow window;
    const DialogLayout& layout = window.layout;
    // 0xFFF6 is -10, not 65526.
    window.layout.OnSize(window.Handle(), SIZE_RESTORED, MAKELPARAM(0xFFF6, layout.InitialHeight()));
    EXPECT_EQ(window.Rect(kButton).left, 250 + (-10 - layout.InitialWidth()));
}

TEST(DialogLayoutTest, OtherCodeKeepsItsPlaceOnAnAxisWithoutFlag) {
    LayoutWindow window;
    // Moved down after InitLayout, as the find dialog moves its check-box row.
    SetWindowPos(GetDlgItem(window.Handle(), kButton), nullptr, 250, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window.Grow(20, 30);
    ExpectRect(window.Rect(kButton), 270, 80, 310, 100);
}
