// Dialog layouts: growth, shrinking, centring, minimised windows, controls
// moved by other code, and that layouts never accumulate.
#include <gtest/gtest.h>

#include "DialogTestHelpers.h"
#include "common/Window.h"
#include "dialogs/DialogLayout.h"

using namespace brevitex;
using dialogtests::RectIn;

namespace {

enum : int { kNumber = 1008, kMessage = 1009, kCounter = 1010, kButton = 1, kFooter = 7, kBadge = 8, kBand = 9,
             kTitle = 10, kMissing = 4242 };

// Rows of every kind: the SMS-shaped rows first, then one per other flag.
const LayoutRow kTestTable[] = {
    {kNumber, kLayoutStretchX},
    {kMessage, kLayoutStretchX | kLayoutStretchY},
    {kCounter, kLayoutStretchX},
    {kMissing, kLayoutStretchX},
    {kButton, kLayoutMoveX},
    {kFooter, kLayoutMoveY},
    {kBadge, kLayoutCenterX | kLayoutCenterY},
    {kBand, kLayoutRepaint},
    {kTitle, kLayoutMoveX | kLayoutMoveY},
    kLayoutEnd,
};

// A captioned popup whose WM_SIZE goes through its layout, as in the dialogs.
class LayoutWindow : public WindowBase {
public:
    LayoutWindow() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &WindowBase::StartWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"BrevitexLayoutTestWindow";
            RegisterClassW(&wc);
            registered = true;
        }
        CreateBound(0, L"BrevitexLayoutTestWindow", L"layout", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE |
                    WS_MINIMIZEBOX, 50, 50, 300, 240, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        RECT client{};
        GetClientRect(hwnd_, &client);
        width_ = client.right;
        height_ = client.bottom;
        Child(kNumber, 40, 10, 200, 20);
        Child(kMessage, 10, 60, 270, 100);
        Child(kCounter, 10, 40, 270, 16);
        Child(kButton, 250, 10, 40, 20);
        Child(kFooter, 10, 170, 80, 20);
        Child(kBadge, 100, 100, 60, 30);
        Child(kBand, 5, 5, 30, 30);
        Child(kTitle, 200, 170, 60, 20);
        layout.InitLayout(hwnd_);
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        if (message != WM_SIZE) return false;
        layout.OnSize(hwnd_, wParam, lParam);
        result = 0;
        return true;
    }

    HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
    RECT Rect(int id) const { return RectIn(hwnd_, Control(id)); }
    // Resizes the window so that its client area grows by dx, dy from the start.
    void Grow(int dx, int dy) const {
        RECT window{};
        GetWindowRect(hwnd_, &window);
        RECT client{};
        GetClientRect(hwnd_, &client);
        const int frameX = (window.right - window.left) - client.right;
        const int frameY = (window.bottom - window.top) - client.bottom;
        SetWindowPos(hwnd_, nullptr, 0, 0, width_ + dx + frameX, height_ + dy + frameY, SWP_NOMOVE | SWP_NOZORDER);
    }

    DialogLayout layout{kTestTable};

private:
    void Child(int id, int x, int y, int w, int h) {
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, x, y, w, h, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }
    int width_ = 0;
    int height_ = 0;
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
    ASSERT_EQ(layout.RowCount(), 9);  // the missing control keeps its row
    EXPECT_EQ(layout.RowAt(0).id, kNumber);
    ExpectRect(layout.RowAt(0).start, 40, 10, 240, 30);
    EXPECT_EQ(layout.RowAt(3).id, kMissing);
    EXPECT_EQ(layout.RowAt(8).id, kTitle);

    RECT client{};
    GetClientRect(window.Handle(), &client);
    EXPECT_EQ(layout.InitialWidth(), client.right);
    EXPECT_EQ(layout.InitialHeight(), client.bottom);
    RECT frame{};
    GetWindowRect(window.Handle(), &frame);
    EXPECT_EQ(layout.MinTrackX(), frame.right - frame.left);
    EXPECT_EQ(layout.MinTrackY(), frame.bottom - frame.top);
    EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_STYLE) & WS_CLIPCHILDREN);
    EXPECT_TRUE(GetWindowLongW(window.Handle(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
}

TEST(DialogLayoutTest, SmsShapedGrowthStretchesWithoutMoving) {
    LayoutWindow window;
    window.Grow(100, 50);
    ExpectRect(window.Rect(kNumber), 40, 10, 340, 30);
    ExpectRect(window.Rect(kMessage), 10, 60, 380, 210);
    ExpectRect(window.Rect(kCounter), 10, 40, 380, 56);
}

TEST(DialogLayoutTest, MovedAndCentredControlsFollowTheSize) {
    LayoutWindow window;
    const DialogLayout& layout = window.layout;
    window.Grow(60, 40);
    const int width = layout.InitialWidth() + 60;
    const int height = layout.InitialHeight() + 40;
    ExpectRect(window.Rect(kButton), 310, 10, 350, 30);
    ExpectRect(window.Rect(kFooter), 10, 210, 90, 230);
    ExpectRect(window.Rect(kTitle), 260, 210, 320, 230);
    ExpectRect(window.Rect(kBadge), (width - 60) / 2, (height - 30) / 2, (width - 60) / 2 + 60, (height - 30) / 2 + 30);
    // Repaint alone does not move anything.
    ExpectRect(window.Rect(kBand), 5, 5, 35, 35);
}

TEST(DialogLayoutTest, ShrinkingBelowTheTemplateShrinksAndMovesBack) {
    LayoutWindow window;
    window.Grow(-30, -20);
    ExpectRect(window.Rect(kNumber), 40, 10, 210, 30);
    ExpectRect(window.Rect(kMessage), 10, 60, 250, 140);
    ExpectRect(window.Rect(kButton), 220, 10, 260, 30);
    ExpectRect(window.Rect(kFooter), 10, 150, 90, 170);
}

TEST(DialogLayoutTest, LayoutsDoNotAccumulate) {
    LayoutWindow window;
    window.Grow(50, 50);
    const RECT once = window.Rect(kMessage);
    const RECT buttonOnce = window.Rect(kButton);
    window.layout.UpdateLayout(window.Handle(), window.layout.InitialWidth() + 50, window.layout.InitialHeight() + 50);
    ExpectRect(window.Rect(kMessage), once.left, once.top, once.right, once.bottom);
    ExpectRect(window.Rect(kButton), buttonOnce.left, buttonOnce.top, buttonOnce.right, buttonOnce.bottom);
    window.Grow(0, 0);
    ExpectRect(window.Rect(kMessage), 10, 60, 280, 160);
    ExpectRect(window.Rect(kButton), 250, 10, 290, 30);
}

TEST(DialogLayoutTest, MinimisedWindowIsNotLaidOut) {
    LayoutWindow window;
    window.Grow(40, 0);
    ExpectRect(window.Rect(kButton), 290, 10, 330, 30);
    ShowWindow(window.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window.Handle()));
    ExpectRect(window.Rect(kButton), 290, 10, 330, 30);
    // A minimise notice with a zero size changes nothing either.
    window.layout.OnSize(window.Handle(), SIZE_MINIMIZED, 0);
    ExpectRect(window.Rect(kButton), 290, 10, 330, 30);
}

TEST(DialogLayoutTest, SizeIsReadAsSignedWords) {
    LayoutWindow window;
    const DialogLayout& layout = window.layout;
    // 0xFFF6 is -10, not 65526: the moved control goes left by InitialWidth() + 10.
    const int width = -10;
    window.layout.OnSize(window.Handle(), SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(width), layout.InitialHeight()));
    EXPECT_EQ(window.Rect(kButton).left, 250 + (width - layout.InitialWidth()));
}

TEST(DialogLayoutTest, OtherCodeKeepsItsPlaceOnAnAxisWithoutFlag) {
    LayoutWindow window;
    // Moved down after InitLayout, as the find dialog moves its check-box row.
    SetWindowPos(window.Control(kButton), nullptr, 250, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    window.Grow(20, 30);
    ExpectRect(window.Rect(kButton), 270, 80, 310, 100);
}
