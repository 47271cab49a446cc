// DialogLayout: a dialog's table of control ids with stretch/move flags, and
// the state that re-places those controls whenever the dialog's client area
// changes size. Every placement starts from the controls' starting rectangles
// and the initial client size, so layouts never accumulate.
#pragma once

#include <windows.h>

#include <cstdint>

namespace brevitex {

// One row of a layout table; a table ends with the row {-1, 0}.
struct LayoutRow {
    int32_t id;
    uint32_t flags;
};

inline constexpr LayoutRow kLayoutEnd = {-1, 0};

inline constexpr uint32_t kLayoutStretchX = 0x01;  // right edge follows the dialog's right edge
inline constexpr uint32_t kLayoutStretchY = 0x02;  // bottom edge follows the dialog's bottom edge
inline constexpr uint32_t kLayoutMoveX = 0x04;     // keeps its width, moves with the right edge
inline constexpr uint32_t kLayoutMoveY = 0x08;     // keeps its height, moves with the bottom edge
inline constexpr uint32_t kLayoutRepaint = 0x10;   // repainted after every layout
inline constexpr uint32_t kLayoutCenterX = 0x20;   // centred horizontally, starting width kept
inline constexpr uint32_t kLayoutCenterY = 0x40;   // centred vertically, starting height kept
inline constexpr uint32_t kLayoutPlacementFlags = 0x7F;

class DialogLayout {
public:
    struct Row {
        int32_t id;
        uint32_t flags;
        RECT start;  // dialog client coordinates at InitLayout
    };

    // The table must outlive the layout (tables are static constants of their dialog class).
    explicit DialogLayout(const LayoutRow* table) : table_(table) {}
    ~DialogLayout();
    DialogLayout(const DialogLayout&) = delete;
    DialogLayout& operator=(const DialogLayout&) = delete;

    // Records the starting rectangles of the table's controls and the client size.
    // Called once, after the controls are in place and before any full-screen resize.
    void InitLayout(HWND dialog);

    // Re-places the controls for a client area of width x height.
    void UpdateLayout(HWND dialog, int width, int height);

    // The WM_SIZE handling: lays out unless the dialog was minimised; the sizes
    // are read from lParam as signed 16-bit values.
    void OnSize(HWND dialog, WPARAM sizeType, LPARAM size);

    int32_t RowCount() const { return rowCount_; }
    const Row& RowAt(int32_t index) const { return rows_[index]; }
    int32_t InitialWidth() const { return initialWidth_; }
    int32_t InitialHeight() const { return initialHeight_; }
    int32_t MinTrackX() const { return minTrackX_; }
    int32_t MinTrackY() const { return minTrackY_; }

private:
    bool AppendRow(const Row& row);
    void PlaceRow(HWND dialog, const Row& row, int width, int height) const;
    void FreeRows();

    const LayoutRow* table_;
    Row* rows_ = nullptr;
    int32_t rowCount_ = 0;
    int32_t rowCapacity_ = 0;
    int32_t initialWidth_ = 0;
    int32_t initialHeight_ = 0;
    int32_t minTrackX_ = -1;
    int32_t minTrackY_ = -1;
};

}  // namespace brevitex
