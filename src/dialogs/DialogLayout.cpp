// Stretching and moving a dialog's controls with its client size.
#include "dialogs/DialogLayout.h"

namespace brevitex {

namespace {

// The control's window rectangle in the dialog's client coordinates.
bool ControlRect(HWND dialog, HWND control, RECT* rect) {
    if (!control || !GetWindowRect(control, rect)) return false;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

// One axis of a placement: the new low and high edges from the starting edges.
void PlaceAxis(bool centre, bool stretch, bool move, LONG startLow, LONG startHigh, int extent,
               int delta, LONG* low, LONG* high) {
    const LONG size = startHigh - startLow;
    if (centre) {
        *low = (extent - size) / 2;
        *high = *low + size;
    } else if (stretch || move) {
        *high = startHigh + delta;
        if (move) *low = *high - size;
    }
}

}  // namespace

DialogLayout::~DialogLayout() { FreeRows(); }

void DialogLayout::FreeRows() {
    if (rows_) HeapFree(GetProcessHeap(), 0, rows_);
    rows_ = nullptr;
    rowCount_ = 0;
    rowCapacity_ = 0;
}

bool DialogLayout::AppendRow(const Row& row) {
    if (rowCount_ == rowCapacity_) {
        const int32_t capacity = rowCapacity_ ? rowCapacity_ * 2 : 1;
        const SIZE_T bytes = sizeof(Row) * static_cast<SIZE_T>(capacity);
        void* block = rows_ ? HeapReAlloc(GetProcessHeap(), 0, rows_, bytes)
                            : HeapAlloc(GetProcessHeap(), 0, bytes);
        if (!block) return false;
        rows_ = static_cast<Row*>(block);
        rowCapacity_ = capacity;
    }
    rows_[rowCount_++] = row;
    return true;
}

void DialogLayout::InitLayout(HWND dialog) {
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    if (!(style & WS_CLIPCHILDREN)) SetWindowLongW(dialog, GWL_STYLE, style | WS_CLIPCHILDREN);
    const bool child = (style & WS_CHILD) != 0;
    if (!child) {
        const LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
        SetWindowLongW(dialog, GWL_EXSTYLE, exStyle | WS_EX_DLGMODALFRAME);
        if (!SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0)) SendMessageW(dialog, WM_SETICON, ICON_SMALL, 0);
    }

    rowCount_ = 0;
    minTrackX_ = -1;
    minTrackY_ = -1;

    RECT client{};
    GetClientRect(dialog, &client);
    initialWidth_ = client.right;
    initialHeight_ = client.bottom;
    if (child) {
        minTrackX_ = client.right - client.left;
        minTrackY_ = client.bottom - client.top;
    } else {
        RECT window{};
        GetWindowRect(dialog, &window);
        minTrackX_ = window.right - window.left;
        minTrackY_ = window.bottom - window.top;
    }

    for (const LayoutRow* entry = table_; entry && entry->id != -1; ++entry) {
        Row row{entry->id, entry->flags, {}};
        // A missing control keeps an empty rectangle; it is skipped at every placement.
        ControlRect(dialog, GetDlgItem(dialog, entry->id), &row.start);
        AppendRow(row);  // a row that cannot be stored is left out
    }
}

void DialogLayout::PlaceRow(HWND dialog, const Row& row, int width, int height) const {
    HWND control = GetDlgItem(dialog, row.id);
    RECT rect{};
    if (!ControlRect(dialog, control, &rect)) return;
    const uint32_t f = row.flags;
    PlaceAxis(f & kLayoutCenterX, f & kLayoutStretchX, f & kLayoutMoveX, row.start.left, row.start.right,
              width, width - initialWidth_, &rect.left, &rect.right);
    PlaceAxis(f & kLayoutCenterY, f & kLayoutStretchY, f & kLayoutMoveY, row.start.top, row.start.bottom,
              height, height - initialHeight_, &rect.top, &rect.bottom);
    if (f & kLayoutRepaint) InvalidateRect(control, nullptr, TRUE);
    if (f & kLayoutPlacementFlags) {
        SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void DialogLayout::UpdateLayout(HWND dialog, int width, int height) {
    if ((GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) && minTrackX_ >= 0 && minTrackY_ >= 0) {
        if (width < minTrackX_) width = minTrackX_;
        if (height < minTrackY_) height = minTrackY_;
    }
    const bool visible = IsWindowVisible(dialog) != FALSE;
    if (visible) SendMessageW(dialog, WM_SETREDRAW, FALSE, 0);
    for (int32_t i = 0; i < rowCount_; ++i) PlaceRow(dialog, rows_[i], width, height);
    if (visible) SendMessageW(dialog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void DialogLayout::OnSize(HWND dialog, WPARAM sizeType, LPARAM size) {
    if (sizeType == SIZE_MINIMIZED) return;
    UpdateLayout(dialog, static_cast<short>(LOWORD(size)), static_cast<short>(HIWORD(size)));
}

}  // namespace brevitex
