// The windows of the device's file operation: the question with a "Yes to
// all" button that a plain message box cannot ask, and the progress window
// with its Cancel button.
#pragma once

#include <windows.h>

namespace brevitex {

// Shows the four-button question (Yes, Yes to all, No, Cancel) centred over
// the owner; answers IDYES, kIdYesToAll, IDNO or IDCANCEL (Esc and the close
// box). DeviceMessageBox calls this for the type kMessageBoxYesToAllNoCancel.
int ShowYesToAllQuestion(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// A modeless window with a caption, the current item and a progress bar. It
// exists from Show until the object goes; Cancelled() tells whether its
// Cancel button (or Esc) was pressed.
class FileProgressWindow {
public:
    FileProgressWindow() = default;
    ~FileProgressWindow();
    FileProgressWindow(const FileProgressWindow&) = delete;
    FileProgressWindow& operator=(const FileProgressWindow&) = delete;

    bool Show(HWND owner, const wchar_t* caption);
    bool Shown() const { return window_ != nullptr; }
    HWND Handle() const { return window_; }
    // Total 0: the count is not known yet.
    void Update(const wchar_t* item, int done, int total);
    bool Cancelled() const { return cancelled_; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    HWND owner_ = nullptr;
    bool ownerWasEnabled_ = false;
    bool cancelled_ = false;
};

}  // namespace brevitex
