// The toolbar: class registration, creation from the toolbar and bitmap
// resources, the double-size and grey image copies, and the position text
// drawn in the free area.
#include "shell/BToolBar.h"

#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "common/WideString.h"
#include "document/EditMenu.h"
#include "document/EditQueries.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

namespace {

constexpr WORD kToolBarResourceType = 241;
constexpr int kMaxEntries = 32;
constexpr int kSeparatorWidth = 8;
constexpr int kHighDotsPerInch = 192;
constexpr BYTE kTransparentGrey = 192;
constexpr COLORREF kTransparentColour = RGB(kTransparentGrey, kTransparentGrey, kTransparentGrey);

WNDPROC g_toolBarProc = nullptr;
bool g_classRegistered = false;
std::atomic<int> g_dotsPerInch{0};

// Toolbar resource: version, image width, image height, entry count, entries.
struct ToolBarResource {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
    const WORD* entries;
};

bool LoadToolBarResource(HINSTANCE instance, ToolBarResource* resource) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_TOOLBAR), MAKEINTRESOURCEW(kToolBarResourceType));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words) return false;
    const DWORD size = SizeofResource(instance, found);
    if (size < 4 * sizeof(WORD) || words[3] > kMaxEntries || size < (4u + words[3]) * sizeof(WORD)) return false;
    *resource = {words[0], words[1], words[2], words[3], words + 4};
    return true;
}

// A 24-bit bottom-up DIB section; its bits through *bits.
HBITMAP CreateColourDib(int width, int height, BYTE** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bits) *bits = static_cast<BYTE*>(pixels);
    return bitmap;
}

// Draws the source into a new 24-bit bitmap of the given size.
HBITMAP CopyScaled(HBITMAP source, int width, int height, BYTE** bits) {
    BITMAP size{};
    if (!source || !GetObjectW(source, sizeof(size), &size)) return nullptr;
    HBITMAP copy = CreateColourDib(width, height, bits);
    if (!copy) return nullptr;
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    bool drawn = false;
    if (from && to) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, copy);
        SetStretchBltMode(to, COLORONCOLOR);
        drawn = StretchBlt(to, 0, 0, width, height, from, 0, 0, size.bmWidth, size.bmHeight, SRCCOPY) != FALSE;
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    GdiFlush();
    if (!drawn) {
        DeleteObject(copy);
        return nullptr;
    }
    return copy;
}

// An image list of the bitmap's images, light grey transparent; the bitmap is consumed.
HIMAGELIST MakeImageList(HBITMAP bitmap, int width, int height, int count) {
    if (!bitmap) return nullptr;
    HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 0);
    if (list && ImageList_AddMasked(list, bitmap, kTransparentColour) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(bitmap);
    return list;
}

int FontHeight(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTW description{};
    if (!font || !GetObjectW(font, sizeof(description), &description)) return 0;
    return std::abs(description.lfHeight);
}

}  // namespace

const MessageMapEntry<BToolBar> BToolBar::kMap[] = {
    BX_MESSAGE(WM_ERASEBKGND, OnEraseBackground),
    BX_MESSAGE(WM_PAINT, OnPaint),
    BX_MESSAGE(WM_SETTEXT, OnSetText),
    BX_MESSAGE(WM_SETFONT, OnSetFont),
    BX_MESSAGE(WM_LBUTTONUP, OnLButtonUp),
};

BToolBar::~BToolBar() {
    // The lists go only once no window can draw with them.
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    if (images_) ImageList_Destroy(images_);
    if (disabledImages_) ImageList_Destroy(disabledImages_);
}

bool BToolBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool BToolBar::RegisterToolBarClass() {
    ModuleLock hold;
    if (g_classRegistered) return true;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = ProgramInstance();
    WNDCLASSEXW toolbar{};
    toolbar.cbSize = sizeof(toolbar);
    if (!GetClassInfoExW(nullptr, TOOLBARCLASSNAMEW, &toolbar) &&
        !GetClassInfoExW(instance, TOOLBARCLASSNAMEW, &toolbar)) {
        return false;
    }
    WNDCLASSEXW own = toolbar;
    own.cbSize = sizeof(own);
    own.style &= ~CS_GLOBALCLASS;
    own.lpfnWndProc = WindowBase::StartWindowProc;
    own.hInstance = instance;
    own.lpszClassName = kToolBarClassName;
    if (!RegisterClassExW(&own) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_toolBarProc = toolbar.lpfnWndProc;
    g_classRegistered = true;
    return true;
}

int BToolBar::ScreenDotsPerInch() {
    int cached = g_dotsPerInch.load();
    if (cached > 0) return cached;
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    if (value > 0) g_dotsPerInch.store(value);
    return value;
}

HBITMAP BToolBar::DoubleSize(HBITMAP source) {
    BITMAP size{};
    if (!source || !GetObjectW(source, sizeof(size), &size)) return nullptr;
    return CopyScaled(source, 2 * size.bmWidth, 2 * size.bmHeight, nullptr);
}

HBITMAP BToolBar::GreyCopy(HBITMAP source) {
    BITMAP size{};
    if (!source || !GetObjectW(source, sizeof(size), &size)) return nullptr;
    BYTE* bits = nullptr;
    HBITMAP grey = CopyScaled(source, size.bmWidth, size.bmHeight, &bits);
    if (!grey || !bits) return grey;
    const int stride = (size.bmWidth * 3 + 3) & ~3;
    for (int y = 0; y < size.bmHeight; ++y) {
        BYTE* pixel = bits + y * stride;
        for (int x = 0; x < size.bmWidth; ++x, pixel += 3) {
            const BYTE blue = pixel[0];
            const BYTE green = pixel[1];
            const BYTE red = pixel[2];
            if (blue == kTransparentGrey && green == kTransparentGrey && red == kTransparentGrey) continue;
            const BYTE value = static_cast<BYTE>((30 * red + 59 * green + 11 * blue) / 100);
            pixel[0] = pixel[1] = pixel[2] = value;
        }
    }
    return grey;
}

HWND BToolBar::Create(HWND parent, DWORD style, UINT id) { return Create(parent, style, id, ScreenDotsPerInch()); }

HWND BToolBar::Create(HWND parent, DWORD style, UINT id, int dotsPerInch) {
    if (hwnd_ || !RegisterToolBarClass()) return nullptr;
    HINSTANCE instance = ProgramInstance();
    ToolBarResource resource{};
    if (!LoadToolBarResource(instance, &resource)) return nullptr;
    TBBUTTON buttons[kMaxEntries] = {};
    int images = 0;
    for (int i = 0; i < resource.count; ++i) {
        TBBUTTON& button = buttons[i];
        button.idCommand = resource.entries[i];
        if (button.idCommand == 0) {
            button.iBitmap = kSeparatorWidth;
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = images++;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
    }

    baseProc_ = g_toolBarProc;
    if (!CreateBound(0, kToolBarClassName, nullptr, style, 0, 0, 100, 30, parent,
                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr)) {
        return nullptr;
    }
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    const int fontHeight = FontHeight(hwnd_);

    // Images at double size on screens of 192 dots per inch and more.
    const bool doubled = dotsPerInch >= kHighDotsPerInch;
    const int width = doubled ? 2 * resource.width : resource.width;
    const int height = doubled ? 2 * resource.height : resource.height;
    HBITMAP bitmap = LoadBitmapW(instance, MAKEINTRESOURCEW(IDB_TOOLBAR));
    if (bitmap && doubled) {
        HBITMAP large = DoubleSize(bitmap);
        DeleteObject(bitmap);
        bitmap = large;
    }
    HBITMAP grey = GreyCopy(bitmap);
    images_ = MakeImageList(bitmap, width, height, images);
    disabledImages_ = MakeImageList(grey, width, height, images);
    Send(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    Send(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabledImages_));

    Send(TB_ADDBUTTONS, resource.count, reinterpret_cast<LPARAM>(buttons));
    const int bitmapHeight = std::max(fontHeight, height);
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, bitmapHeight));
    Send(TB_SETBUTTONSIZE, 0, MAKELPARAM(width + 8, bitmapHeight + 6));
    return hwnd_;
}

bool BToolBar::FreeArea(RECT* area) const {
    RECT client{};
    RECT last{};
    if (!hwnd_ || !GetClientRect(hwnd_, &client)) return false;
    const auto count = static_cast<int>(Send(TB_BUTTONCOUNT));
    if (count <= 0 || !Send(TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last))) return false;
    client.left = last.right;
    *area = client;
    return true;
}

// A themed toolbar leaves its background to the frame, which never erases
// (the view covers it): the toolbar erases itself, so an old position text goes.
bool BToolBar::OnEraseBackground(WPARAM wParam, LPARAM, LRESULT& result) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
    result = 1;
    return true;
}

bool BToolBar::OnPaint(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DefaultProc(WM_PAINT, wParam, lParam);
    result = 0;
    RECT area{};
    if (!FreeArea(&area)) return true;
    area.left += GetSystemMetrics(SM_CXEDGE);
    area.right -= GetSystemMetrics(SM_CXEDGE);
    area.bottom -= GetSystemMetrics(SM_CYBORDER);
    WideString text;
    if (!WindowTextString(hwnd_, text) || text.IsEmpty()) return true;
    HDC dc = GetDC(hwnd_);
    if (!dc) return true;
    // The text is drawn outside the paint's own region too: what it covers is
    // erased first, or a text drawn over itself thickens.
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, text, text.Length(), &area, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    if (oldFont) SelectObject(dc, oldFont);
    ReleaseDC(hwnd_, dc);
    return true;
}

bool BToolBar::OnSetText(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    WideString current;
    if (WindowTextString(hwnd_, current) && current == (text ? text : L"")) {
        result = 0;
        return true;
    }
    result = DefaultProc(WM_SETTEXT, wParam, lParam);
    RECT area{};
    if (FreeArea(&area)) InvalidateRect(hwnd_, &area, TRUE);
    return true;
}

bool BToolBar::OnSetFont(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(WM_SETFONT, wParam, lParam);
    if (LOWORD(lParam)) InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

bool BToolBar::OnLButtonUp(WPARAM, LPARAM lParam, LRESULT&) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT area{};
    if (FreeArea(&area) && PtInRect(&area, point)) {
        SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(ID_VIEW_GOTO, 0), reinterpret_cast<LPARAM>(hwnd_));
    }
    return false;
}

}  // namespace brevitex
