// GoToDialog: moves the caret of an edit control to a typed line and column
// (dialog 114), both counted from 1. A new object serves each use.
#pragma once

#include <windows.h>

#include "common/Window.h"
#include "document/DialogEditBox.h"

namespace brevitex {

class GoToDialog : public DialogBase {
public:
    using Self = GoToDialog;

    explicit GoToDialog(HWND editControl) : editControl_(editControl) {}

    // Runs dialog 114 modally: 1 after OK (caret moved), 2 after cancel, -1 on failure.
    INT_PTR Run(HWND owner);

    // Puts the caret at a 1-based line and column, clamped to the text: line 0
    // means the first line, a line past the end the last one; column 0 means
    // the line's start, and a position past the end of the text its end. A
    // column past the end of its line counts on through the following lines.
    static void GoToPosition(HWND editControl, unsigned line, unsigned column);

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnInitDialog(WPARAM, LPARAM, LRESULT& result);
    bool OnHotKey(WPARAM, LPARAM, LRESULT& result);
    bool OnOk(WPARAM, LPARAM, LRESULT& result);
    bool OnCancel(WPARAM, LPARAM, LRESULT& result);

    static const MessageMapEntry<GoToDialog> kMap[];

    HWND editControl_;
    DialogEditBox lineBox_;
    DialogEditBox columnBox_;
};

// The frame's "跳转到..." on its edit control: true when OK moved the caret.
bool RunGoToDialog(HWND owner, HWND edit);

}  // namespace brevitex
