// FontDialog: choice of the edit font's face and size (dialog 113). It edits
// the height, weight and face name of a font description and nothing else.
#pragma once

#include <windows.h>

#include "common/Window.h"

namespace brevitex {

class FontDialog : public DialogBase {
public:
    using Self = FontDialog;

    // The sizes offered, in list order; the height chosen is the cell height in pixels.
    static constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34};

    explicit FontDialog(const LOGFONTW& font) : font_(font) {}

    // Runs dialog 113 modally: 1 after OK (Font() holds the choice), 2 after cancel, -1 on failure.
    INT_PTR Run(HWND owner);
    const LOGFONTW& Font() const { return font_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnInitDialog(WPARAM, LPARAM, LRESULT& result);
    bool OnHotKey(WPARAM, LPARAM, LRESULT& result);
    bool OnOk(WPARAM, LPARAM, LRESULT& result);
    bool OnCancel(WPARAM, LPARAM, LRESULT& result);

    void FillFaces();
    void FillSizes();
    static int CALLBACK AddFace(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD, LPARAM context);

    static const MessageMapEntry<FontDialog> kMap[];

    HWND faceCombo_ = nullptr;
    HWND sizeCombo_ = nullptr;
    LOGFONTW font_;
};

// The frame's "字体...": true when OK; font then holds the chosen face, height and weight.
bool RunFontDialog(HWND owner, LOGFONTW& font);

}  // namespace brevitex
