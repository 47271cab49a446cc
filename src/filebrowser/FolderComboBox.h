// FolderComboBox: the browser's folder combo (control 1000). It holds no
// items: it paints the folder tree's selected folder with its icon and works
// as a button that drops the tree down below itself and takes it up again.
#pragma once

#include <windows.h>

#include "common/Window.h"

namespace brevitex {

class FolderComboBox : public WindowBase {
public:
    using Self = FolderComboBox;

    // Attaches to the combo and links the tree it drops down.
    bool Attach(HWND combo, HWND tree);

    // Shows the tree from the dialog's left edge to the combo's right edge and
    // from the combo's bottom to the dialog's bottom, or hides it again.
    void ToggleDropDown();
    bool IsDroppedDown() const;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnPaint(WPARAM, LPARAM, LRESULT& result);
    bool OnFocusChange(WPARAM, LPARAM, LRESULT& result);
    bool OnButtonDown(WPARAM, LPARAM, LRESULT& result);
    bool OnKeyDown(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnGetDlgCode(WPARAM wParam, LPARAM lParam, LRESULT& result);

    void Paint(HDC dc, const RECT& client);
    void PaintArrow(HDC dc, const RECT& client, int width);
    void PaintFolder(HDC dc, const RECT& textArea, bool focused);

    static const MessageMapEntry<FolderComboBox> kMap[];

    HWND tree_ = nullptr;
};

}  // namespace brevitex
