// The toolbar: image and button sizes by screen resolution, the grey copy,
// transparent backgrounds, the position text and its free area, and the
// toolbar in the Pocket PC frame (states, layout, visibility setting).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "common/Messages.h"
#include "device/DeviceShell.h"
#include "resources/resource.h"
#include "shell/BToolBar.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;

// The toolbar's button records are 20 bytes on the device (32-bit pointers).
static_assert(sizeof(TBBUTTON) == (sizeof(void*) == 4 ? 20 : 32));

namespace {

// A top-level window that records the commands its children send it.
class CommandHost {
public:
    CommandHost() {
        static const bool registered = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"BrevitexToolBarTestHost";
            return RegisterClassW(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window_ = CreateWindowExW(0, L"BrevitexToolBarTestHost", L"", WS_OVERLAPPEDWINDOW, 0, 0, 480, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CommandHost() { DestroyWindow(window_); }
    HWND Window() const { return window_; }
    std::vector<std::pair<WPARAM, LPARAM>> commands;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CommandHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_COMMAND && self) self->commands.emplace_back(wParam, lParam);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
};

int FontHeightOf(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    return std::abs(description.lfHeight);
}

// The 24-bit pixels of a bitmap, bottom-up rows, as blue, green, red.
std::vector<BYTE> PixelsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    std::vector<BYTE> bits(static_cast<size_t>(((width * 3 + 3) & ~3) * height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bits;
}

HBITMAP BitmapOf(std::vector<BYTE> pixels, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Draws an image transparently over magenta: true when the background shows
// through somewhere (the light grey was transparent) and the image covers
// some pixels.
bool DrawsWithTransparentBackground(HIMAGELIST list, int image) {
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    constexpr COLORREF kMagenta = RGB(255, 0, 255);
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, canvas);
    HBRUSH brush = CreateSolidBrush(kMagenta);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ImageList_Draw(list, image, dc, 0, 0, ILD_TRANSPARENT);
    int background = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) background += GetPixel(dc, x, y) == kMagenta;
    }
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    return background > 0 && background < width * height;
}

// Pixels of the free area between the ends of a short and a long position
// text that are not the toolbar's background after the long text gave way to the short one.
int StaleTextPixels(HWND window, const RECT& free) {
    SetWindowTextW(window, L"[1, 15555]");
    UpdateWindow(window);
    SetWindowTextW(window, L"[1, 1]");
    UpdateWindow(window);
    HDC dc = GetDC(window);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE shortText{}, longText{};
    GetTextExtentPoint32W(dc, L"[1, 1]", 6, &shortText);
    GetTextExtentPoint32W(dc, L"[1, 15555]", 10, &longText);
    int stale = 0;
    const int left = free.left + GetSystemMetrics(SM_CXEDGE);
    for (int x = left + shortText.cx + 2; x < left + longText.cx; ++x) {
        for (int y = free.top; y < free.bottom - 1; ++y) stale += GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(window, dc);
    return stale;
}

}  // namespace

TEST(ToolBarTest, ImagesDoubleFromOneHundredNinetyTwoDotsPerInch) {
    CommandHost host;
    for (int dpi : {96, 191, 192, 288}) {
        BToolBar toolbar;
        HWND window = toolbar.Create(host.Window(), kToolBarShownStyle, ID_VIEW_TOOLBAR, dpi);
        ASSERT_TRUE(window) << dpi;
        const int image = dpi >= 192 ? 32 : 16;
        int width = 0, height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(toolbar.Images(), &width, &height));
        EXPECT_EQ(width, image) << dpi;
        EXPECT_EQ(height, image) << dpi;
        EXPECT_EQ(ImageList_GetImageCount(toolbar.Images()), 7);
        EXPECT_EQ(ImageList_GetImageCount(toolbar.DisabledImages()), 7);
        const LRESULT size = SendMessageW(window, TB_GETBUTTONSIZE, 0, 0);
        EXPECT_EQ(LOWORD(size), image + 8) << dpi;
        EXPECT_EQ(HIWORD(size), 6 + std::max(image, FontHeightOf(window))) << dpi;
        EXPECT_EQ(SendMessageW(window, TB_BUTTONCOUNT, 0, 0), 10);
        TBBUTTON find{};
        ASSERT_TRUE(SendMessageW(window, TB_GETBUTTON, 8, reinterpret_cast<LPARAM>(&find)));
        EXPECT_EQ(find.idCommand, ID_EDIT_FIND);
        EXPECT_EQ(find.iBitmap, 6);
        // The light-grey background is transparent in both lists.
        for (int i = 0; i < 7; ++i) {
            EXPECT_TRUE(DrawsWithTransparentBackground(toolbar.Images(), i)) << dpi << " image " << i;
            EXPECT_TRUE(DrawsWithTransparentBackground(toolbar.DisabledImages(), i)) << dpi << " grey image " << i;
        }
    }
}

TEST(ToolBarTest, GreyCopyKeepsLightGreyAndTruncatesTheWeightedSum) {
    // Bottom-up rows, blue-green-red: pure red, light grey, almost light grey, white.
    std::vector<BYTE> pixels{0, 0, 255, 192, 192, 192, 192, 192, 193, 255, 255, 255};
    HBITMAP source = BitmapOf(pixels, 4, 1);
    ASSERT_TRUE(source);
    HBITMAP grey = BToolBar::GreyCopy(source);
    ASSERT_TRUE(grey);
    std::vector<BYTE> got = PixelsOf(grey, 4, 1);
    got.resize(12);
    // 30 * 255 / 100 = 76.5 -> 76; (30 * 193 + 59 * 192 + 11 * 192) / 100 = 192.3 -> 192.
    EXPECT_EQ(got, (std::vector<BYTE>{76, 76, 76, 192, 192, 192, 192, 192, 192, 255, 255, 255}));
    HBITMAP doubled = BToolBar::DoubleSize(source);
    BITMAP size{};
    ASSERT_TRUE(GetObjectW(doubled, sizeof(size), &size));
    EXPECT_EQ(size.bmWidth, 8);
    EXPECT_EQ(size.bmHeight, 2);
    EXPECT_EQ(size.bmBitsPixel, 24);
    std::vector<BYTE> big = PixelsOf(doubled, 8, 2);
    EXPECT_EQ(std::vector<BYTE>(big.begin(), big.begin() + 6), (std::vector<BYTE>{0, 0, 255, 0, 0, 255}));
    EXPECT_EQ(std::vector<BYTE>(big.begin() + 21, big.begin() + 24), (std::vector<BYTE>{255, 255, 255}));
    DeleteObject(source);
    DeleteObject(grey);
    DeleteObject(doubled);
}

TEST(ToolBarTest, TheTextRepaintsOnlyWhenItChangesAndATapOnItAsksForGoTo) {
    CommandHost host;
    BToolBar toolbar;
    HWND window = toolbar.Create(host.Window(), kToolBarShownStyle, ID_VIEW_TOOLBAR, 96);
    ASSERT_TRUE(window);
    MoveWindow(window, 0, 0, 480, 30, TRUE);
    ShowWindow(host.Window(), SW_SHOWNOACTIVATE);
    UpdateWindow(host.Window());
    RECT free{};
    ASSERT_TRUE(toolbar.FreeArea(&free));
    RECT last{};
    SendMessageW(window, TB_GETITEMRECT, 9, reinterpret_cast<LPARAM>(&last));
    EXPECT_EQ(free.left, last.right);

    SetWindowTextW(window, L"[1, 1]");
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(window, &dirty, FALSE));
    EXPECT_GE(dirty.left, free.left) << "only the free area is repainted";
    UpdateWindow(window);
    SetWindowTextW(window, L"[1, 1]");
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the same text repaints nothing";

    RECT button{};
    SendMessageW(window, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(button.left + 2, button.top + 2));
    EXPECT_TRUE(host.commands.empty()) << "a tap on a button is no go-to";
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(free.left + 5, free.top + 5));
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].first, static_cast<WPARAM>(ID_VIEW_GOTO));
    EXPECT_EQ(host.commands[0].second, reinterpret_cast<LPARAM>(window));
}

// ---- The toolbar in the frame ---------------------------------------------------

class FrameToolBarTest : public FrameTest {
protected:
    std::wstring Position() { return WindowText(frame_->ToolBarWindow()); }
};

TEST_F(FrameToolBarTest, ThePositionTextFollowsTheCaretCountedFromOne) {
    CreateFrame();
    ASSERT_TRUE(frame_->ToolBarWindow());
    EXPECT_EQ(Position(), L"[1, 1]");
    RECT free{};
    ASSERT_TRUE(frame_->ToolBarObject().FreeArea(&free));
    EXPECT_EQ(StaleTextPixels(frame_->ToolBarWindow(), free), 0) << "a shorter text leaves nothing of a longer one";
    SendMessageW(hwnd_, UWM_UPDATE_POSITION, 0, 0);
    Type(L"one\ntwo\nthree");
    LRESULT third = SendMessageW(Edit(), EM_LINEINDEX, 2, 0);
    SendMessageW(Edit(), EM_SETSEL, third, third);
    EXPECT_EQ(Position(), L"[3, 1]");
    SendMessageW(Edit(), EM_SETSEL, 0, 0);
    EXPECT_EQ(Position(), L"[1, 1]");
}

TEST_F(FrameToolBarTest, ButtonStatesFollowTheDocumentWithGreyImagesForDisabledOnes) {
    CreateFrame();
    HWND toolbar = frame_->ToolBarWindow();
    Idle();
    EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_UNDO, 0));
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETDISABLEDIMAGELIST, 0, 0)),
              frame_->ToolBarObject().DisabledImages());
    Type(L"x");
    Idle();
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_UNDO, 0));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_FILE_SAVE, 0));
}

TEST_F(FrameToolBarTest, PortraitHidesTheFindButtonAndTheTextMovesLeft) {
    int freeLeft[2] = {};
    for (bool landscape : {false, true}) {
        testsupport::ScopedEnvironment screen(L"BREVITEX_SCREEN", landscape ? L"640x480" : L"480x640");
        CreateFrame();
        HWND toolbar = frame_->ToolBarWindow();
        EXPECT_EQ(SendMessageW(toolbar, TB_ISBUTTONHIDDEN, ID_EDIT_FIND, 0) != 0, !landscape);
        RECT free{};
        ASSERT_TRUE(frame_->ToolBarObject().FreeArea(&free));
        freeLeft[landscape] = free.left;
        // The toolbar sits at the bottom of the client area, under the view.
        RECT client{}, bar{}, edit{};
        GetClientRect(hwnd_, &client);
        GetWindowRect(toolbar, &bar);
        GetWindowRect(Edit(), &edit);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&bar), 2);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&edit), 2);
        EXPECT_EQ(bar.bottom, client.bottom);
        EXPECT_EQ(edit.bottom, bar.top);
        DestroyFrame();
    }
    EXPECT_EQ(freeLeft[1] - freeLeft[0], 24) << "one button width";
}

TEST_F(FrameToolBarTest, TheToolBarCommandHidesAndShowsItAndTheStateIsKept) {
    CreateFrame();
    HWND toolbar = frame_->ToolBarWindow();
    Idle();
    EXPECT_TRUE(MenuChecked(ID_VIEW_TOOLBAR));
    RECT client{};
    GetClientRect(hwnd_, &client);
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(IsWindowVisible(toolbar));
    RECT edit{};
    GetClientRect(Edit(), &edit);
    EXPECT_EQ(edit.bottom - edit.top, client.bottom - client.top) << "the view takes the toolbar's place";
    Idle();
    EXPECT_FALSE(MenuChecked(ID_VIEW_TOOLBAR));
    ASSERT_TRUE(Close());
    DWORD visible = 1;
    ASSERT_TRUE(SettingsKeyGuard::ReadNumber(L"ToolBarVisible", &visible));
    EXPECT_EQ(visible, 0u);

    CreateFrame();
    EXPECT_FALSE(GetWindowLongW(frame_->ToolBarWindow(), GWL_STYLE) & WS_VISIBLE);
    Command(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(IsWindowVisible(frame_->ToolBarWindow()));
    ASSERT_TRUE(Close());
    ASSERT_TRUE(SettingsKeyGuard::ReadNumber(L"ToolBarVisible", &visible));
    EXPECT_EQ(visible, 1u);
}
