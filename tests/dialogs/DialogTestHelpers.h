// Helpers of the dialog tests: a rich edit control in a top-level host window,
// a driver that acts on a modal dialog from inside its own loop (with a
// time-out that cancels it), and a scope that switches the platform form.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dialogtests {

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

// Acts once on the first visible dialog of this thread, from a timer that runs
// inside the dialog's modal loop; any dialog still up after the time-out is
// ended with kTimedOutResult.
class ModalDriver {
public:
    static constexpr INT_PTR kTimedOutResult = 99;

    explicit ModalDriver(std::function<void(HWND dialog)> action, DWORD timeoutMs = 10000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Acted() const { return acted_; }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::function<void(HWND)> action_;
    DWORD timeoutMs_;
    DWORD start_;
    UINT_PTR timer_ = 0;
    bool acting_ = false;
    bool acted_ = false;
    bool timedOut_ = false;
};

// The first visible dialog window (class #32770) of this thread, or null.
HWND FindThreadDialog();

// Switches the process to the Smartphone or Pocket PC form for a scope.
class PlatformScope {
public:
    explicit PlatformScope(bool smartphone);
    ~PlatformScope();
};

// Loads the rich edit library once.
void EnsureRichEdit();

// Sends a button click (WM_COMMAND with BN_CLICKED) for a dialog control.
void Click(HWND dialog, int id);
// Sets a control's text and sends the edit-change notification a user's typing would.
void TypeInCombo(HWND dialog, int comboId, const std::wstring& text);
std::wstring TextOf(HWND window);
// A control's rectangle in its parent's client coordinates.
RECT RectIn(HWND parent, HWND control);

}  // namespace dialogtests
