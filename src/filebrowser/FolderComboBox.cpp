// The folder combo: painted by hand from the tree's selection, and a button
// for the tree's drop-down.
#include "filebrowser/FolderComboBox.h"

#include <commctrl.h>

namespace brevitex {

const MessageMapEntry<FolderComboBox> FolderComboBox::kMap[] = {
    BX_MESSAGE(WM_PAINT, OnPaint),
    BX_MESSAGE(WM_SETFOCUS, OnFocusChange),
    BX_MESSAGE(WM_KILLFOCUS, OnFocusChange),
    BX_MESSAGE(WM_LBUTTONDOWN, OnButtonDown),
    BX_MESSAGE(WM_LBUTTONDBLCLK, OnButtonDown),
    BX_MESSAGE(WM_KEYDOWN, OnKeyDown),
    BX_MESSAGE(WM_GETDLGCODE, OnGetDlgCode),
};

bool FolderComboBox::Attach(HWND combo, HWND tree) {
    tree_ = tree;
    return Subclass(combo);
}

bool FolderComboBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool FolderComboBox::IsDroppedDown() const { return tree_ && IsWindowVisible(tree_); }

void FolderComboBox::ToggleDropDown() {
    if (!tree_) return;
    if (IsDroppedDown()) {
        ShowWindow(tree_, SW_HIDE);
        SetFocus(hwnd_);
        return;
    }
    HWND dialog = GetParent(hwnd_);
    RECT combo{};
    GetWindowRect(hwnd_, &combo);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&combo), 2);
    RECT client{};
    GetClientRect(dialog, &client);
    SetWindowPos(tree_, HWND_TOP, client.left, combo.bottom, combo.right - client.left, client.bottom - combo.bottom,
                 SWP_SHOWWINDOW);
    SetFocus(tree_);
    if (HTREEITEM selected = TreeView_GetSelection(tree_)) TreeView_EnsureVisible(tree_, selected);
}

bool FolderComboBox::OnPaint(WPARAM, LPARAM, LRESULT& result) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    if (dc) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        Paint(dc, client);
    }
    EndPaint(hwnd_, &paint);
    result = 0;
    return true;
}

// The standard combo does not repaint for focus changes it never sees as its own.
bool FolderComboBox::OnFocusChange(WPARAM, LPARAM, LRESULT&) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    return false;
}

bool FolderComboBox::OnButtonDown(WPARAM, LPARAM, LRESULT& result) {
    ToggleDropDown();
    result = 0;
    return true;
}

bool FolderComboBox::OnKeyDown(WPARAM wParam, LPARAM, LRESULT& result) {
    if (wParam != VK_RETURN) return false;
    ToggleDropDown();
    result = 0;
    return true;
}

// Enter drops the tree down instead of pressing the dialog's default button.
bool FolderComboBox::OnGetDlgCode(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(WM_GETDLGCODE, wParam, lParam);
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN) result |= DLGC_WANTMESSAGE;
    return true;
}

void FolderComboBox::Paint(HDC dc, const RECT& client) {
    const bool focused = GetFocus() == hwnd_;
    FillRect(dc, &client, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    const int arrowWidth = GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    PaintArrow(dc, client, arrowWidth);
    RECT textArea = client;
    textArea.right -= arrowWidth;
    PaintFolder(dc, textArea, focused);
}

// The combo's arrow button, drawn off screen and copied without its outer
// two pixels, the button face left transparent.
void FolderComboBox::PaintArrow(HDC dc, const RECT& client, int width) {
    const int height = client.bottom - client.top;
    if (width <= 4 || height <= 4) return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        RECT button{0, 0, width, height};
        DrawFrameControl(memory, &button, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
        GdiTransparentBlt(dc, client.right - width + 2, client.top + 2, width - 4, height - 4, memory, 2, 2, width - 4,
                          height - 4, GetSysColor(COLOR_BTNFACE));
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    if (memory) DeleteDC(memory);
}

// The tree's selected folder: its icon, then its name, both vertically centred.
void FolderComboBox::PaintFolder(HDC dc, const RECT& textArea, bool focused) {
    HTREEITEM selected = tree_ ? TreeView_GetSelection(tree_) : nullptr;
    if (!selected) return;
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE;
    item.hItem = selected;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    if (!TreeView_GetItem(tree_, &item)) return;

    const int edge = GetSystemMetrics(SM_CXEDGE);
    const int height = textArea.bottom - textArea.top;
    int iconWidth = 0;
    if (HIMAGELIST icons = TreeView_GetImageList(tree_, TVSIL_NORMAL)) {
        int iconHeight = 0;
        ImageList_GetIconSize(icons, &iconWidth, &iconHeight);
        ImageList_Draw(icons, item.iImage, dc, textArea.left + edge, textArea.top + (height - iconHeight) / 2,
                       ILD_TRANSPARENT);
    }
    RECT textRect = textArea;
    textRect.left += iconWidth + 2 * edge;
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    SetTextColor(dc, GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
}

}  // namespace brevitex
