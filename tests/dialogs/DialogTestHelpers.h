// Helpers of the dialog tests: a rich edit control in a top-level host window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "support/TestSupport.h"

namespace dialogtests {

using testsupport::FindThreadDialog;
using testsupport::ModalDriver;
using testsupport::PlatformScope;

// A top-level window holding a multi-line rich edit control of the view's class.
class EditHost {
public:
    explicit EditHost(const std::wstring& text = L"");
    ~EditHost();
    EditHost(const EditHost&) = delete;
    EditHost& operator=(const EditHost&) = delete;

    HWND Frame() const { return frame_; }
    HWND Edit() const { return edit_; }

    void SetText(const std::wstring& text);
    // The text with each line break as a single CR, as the control keeps it.
    std::wstring Text() const;
    void Select(int start, int end) const;
    int SelStart() const;
    int SelEnd() const;
    int UndoSteps() const;  // how many EM_UNDO calls succeed until nothing is left

private:
    HWND frame_ = nullptr;
    HWND edit_ = nullptr;
};

// Loads the rich edit library once.
void EnsureRichEdit();

// Sends a button click (WM_COMMAND with BN_CLICKED) for a dialog control.
void Click(HWND dialog, int id);
// Sets a control's text and sends the edit-change notification a user's typing would.
void TypeInCombo(HWND dialog, int comboId, const std::wstring& text);
using testsupport::WindowText;
// A control's rectangle in its parent's client coordinates.
RECT RectIn(HWND parent, HWND control);

}  // namespace dialogtests
