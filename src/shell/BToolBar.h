// BToolBar: the Pocket PC frame's toolbar (class "BToolBar", a superclass of
// the common-control toolbar). Seven image buttons from toolbar resource 120
// and bitmap 120, drawn at double size on screens of 192 dots per inch or
// more, with grey copies for disabled buttons; the free area right of the
// last button shows the window text (the caret position), and tapping it
// asks the frame for the go-to dialog.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "common/Window.h"

namespace brevitex {

inline constexpr wchar_t kToolBarClassName[] = L"BToolBar";
// The frame's styles for the toolbar, shown and hidden.
inline constexpr DWORD kToolBarShownStyle = 0x5601004F;
inline constexpr DWORD kToolBarHiddenStyle = 0x4601004F;

class BToolBar : public WindowBase {
public:
    using Self = BToolBar;

    BToolBar() = default;
    ~BToolBar() override;

    // Registers "BToolBar" once per process; false when the toolbar class is missing.
    static bool RegisterToolBarClass();

    // Creates and fills the toolbar for the screen's resolution; null on failure.
    HWND Create(HWND parent, DWORD style, UINT id);
    // The same for a given resolution in dots per inch.
    HWND Create(HWND parent, DWORD style, UINT id, int dotsPerInch);

    // The screen's horizontal dots per inch, read once per process; 0 when unreadable.
    static int ScreenDotsPerInch();
    // A 24-bit copy of a bitmap at twice its width and height, pixels repeated.
    static HBITMAP DoubleSize(HBITMAP source);
    // A 24-bit grey copy: every pixel but light grey (192, 192, 192) becomes
    // (30 red + 59 green + 11 blue) / 100 in all three colours.
    static HBITMAP GreyCopy(HBITMAP source);

    // The area right of the last entry; false when it cannot be read.
    bool FreeArea(RECT* area) const;
    HIMAGELIST Images() const { return images_; }
    HIMAGELIST DisabledImages() const { return disabledImages_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageMapEntry<BToolBar> kMap[];

    bool AddImages(int dotsPerInch, int imageWidth, int imageHeight, int* width, int* height);

    bool OnEraseBackground(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnPaint(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetText(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFont(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnLButtonUp(WPARAM wParam, LPARAM lParam, LRESULT& result);

    HIMAGELIST images_ = nullptr;
    HIMAGELIST disabledImages_ = nullptr;
};

}  // namespace brevitex
