// Whole-text replacements of the edit view. The control deletes or re-inserts
// a long text in time growing with the square of its length (a mebibyte took
// seconds, its undo tens of seconds), so an edit that replaces the whole of a
// long text - Delete, Backspace, cut, paste or typing over all of it - puts a
// new control in place at once, holding what the edit leaves, and keeps the
// replaced control hidden as that edit's undo step. Undo past the new
// control's own first step brings the kept one back; redo past the kept one's
// own steps shows the new one again. The text, the selection and the undo
// steps a user sees are those the control's own edit would give.
#include <richedit.h>

#include "common/Handles.h"
#include "common/Messages.h"
#include "document/EditQueries.h"
#include "document/EditView.h"

namespace brevitex {

namespace {

// Kept controls beyond this many go, oldest first, as the control's own
// undo steps would at their limit; so do those beyond this many units in all
// (a control takes some 60 bytes for each), though the nearest always stays.
constexpr size_t kKeptLimit = 8;
constexpr int64_t kKeptUnitsLimit = int64_t{16} << 20;

int64_t ControlTextLength(HWND edit) {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int64_t>(SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
}

}  // namespace

bool EditView::SelectsWholeLongText() const {
    if (!hwnd_ || (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY)) return false;
    const int64_t length = ControlTextLength(hwnd_);
    if (length <= kWholeTextLimit) return false;
    CHARRANGE selection{};
    CallWindowProcW(baseProc_, hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return selection.cpMin == 0 && selection.cpMax >= length;
}

bool EditView::BaseCanUndo() const { return CallWindowProcW(baseProc_, hwnd_, EM_CANUNDO, 0, 0) != 0; }

bool EditView::BaseCanRedo() const { return CallWindowProcW(baseProc_, hwnd_, EM_CANREDO, 0, 0) != 0; }

void EditView::Hide(KeptControl& kept) {
    SendMessageW(kept.window, EM_SETEVENTMASK, 0, 0);
    ShowWindow(kept.window, SW_HIDE);
}

EditView::KeptControl EditView::DetachCurrent() {
    KeptControl kept{hwnd_, Send(EM_GETEVENTMASK), font_, history_, ControlTextLength(hwnd_),
                     Send(EM_GETMODIFY) != 0, savedTexts_};
    Detach(RichEditProc());
    return kept;
}

bool EditView::ReplaceWholeText(WholeTextEdit edit) {
    if (!SelectsWholeLongText()) return false;
    // A paste with nothing to paste changes nothing.
    if (edit == WholeTextEdit::Paste && !IsClipboardFormatAvailable(CF_UNICODETEXT) &&
        !IsClipboardFormatAvailable(CF_TEXT)) {
        return false;
    }
    WaitCursor wait;
    DropLaterControls();
    DestroyRetired();
    const ControlPlace place = TakePlace();
    const DWORD style = ViewStyle(IsWordWrapped());
    // Its own redo steps were overtaken by this edit.
    const bool staleRedo = BaseCanRedo();
    if (edit == WholeTextEdit::Cut) CallWindowProcW(baseProc_, hwnd_, WM_COPY, 0, 0);
    KeptControl kept = DetachCurrent();
    kept.history.staleRedo = staleRedo;
    if (!CreateInPlace(place, style)) {
        Subclass(kept.window);
        return false;
    }
    Hide(kept);
    madeBeside_ = true;
    history_ = ControlHistory{};
    if (edit == WholeTextEdit::Paste) {
        // The control's own paste, so the text goes in as its paste would put it.
        DefaultProc(WM_PASTE, 0, 0);
        Send(EM_EMPTYUNDOBUFFER);
    }
    // Typing goes on in the new control, its first undo step leading back.
    history_.typedOver = edit == WholeTextEdit::Typing;
    before_.push_back(kept);
    int64_t units = 0;
    for (const KeptControl& control : before_) units += control.units;
    while (before_.size() > 1 && (before_.size() > kKeptLimit || units > kKeptUnitsLimit)) {
        units -= before_.front().units;
        DropKept(before_.front());
        before_.erase(before_.begin());
    }
    FollowSavedText();
    TellTextChanged();
    return true;
}

bool EditView::OnTakeReplacedText(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* replaced = reinterpret_cast<const ReplacedText*>(lParam);
    result = replaced && replaced->text && TakeReplacedText(*replaced->text, replaced->caret)
                 ? reinterpret_cast<LRESULT>(hwnd_)
                 : 0;
    return true;
}

bool EditView::TakeReplacedText(const WideString& text, int caret) {
    if (!hwnd_ || (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY)) return false;
    WaitCursor wait;
    // The replacements would have overtaken every redo step.
    DropLaterControls();
    DestroyRetired();
    ControlPlace place = TakePlace();
    const DWORD style = ViewStyle(IsWordWrapped());
    KeptControl old = DetachCurrent();
    Hide(old);
    if (!CreateFilled(place, style, text, nullptr)) {
        ShowKept(old, place);
        return false;
    }
    RetireControl(old.window);
    madeBeside_ = true;
    history_ = old.history;
    history_.staleRedo = false;
    history_.undosSinceBack = 0;
    Send(EM_SETMODIFY, TRUE);
    CallWindowProcW(baseProc_, hwnd_, EM_SETSEL, static_cast<WPARAM>(caret), static_cast<LPARAM>(caret));
    Send(EM_SCROLLCARET);
    TellTextChanged();
    return true;
}

void EditView::TellTextChanged() {
    NotifyPosition();
    HWND parent = GetParent(hwnd_);
    if (parent && (Send(EM_GETEVENTMASK) & ENM_CHANGE)) {
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd_), EN_CHANGE), reinterpret_cast<LPARAM>(hwnd_));
    }
}

void EditView::ShowKept(KeptControl kept, const ControlPlace& place) {
    Subclass(kept.window);
    history_ = kept.history;
    if (kept.font != font_ && font_) Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    const bool readOnly = (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
    if (readOnly != place.readOnly) Send(EM_SETREADONLY, place.readOnly ? TRUE : FALSE);
    Send(EM_SETEVENTMASK, 0, place.eventMask);
    SetWindowPos(hwnd_, place.above ? place.above : HWND_TOP, place.rect.left, place.rect.top,
                 place.rect.right - place.rect.left, place.rect.bottom - place.rect.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (place.focused) SetFocus(hwnd_);
    // Its flag still holds unless a text was saved since: then it is compared.
    if (kept.savedTexts == savedTexts_) {
        Send(EM_SETMODIFY, kept.modified ? TRUE : FALSE);
    } else {
        FollowSavedText();
    }
}

void EditView::ShowInstead(std::vector<KeptControl>& from, std::vector<KeptControl>& to) {
    ControlPlace place = TakePlace();
    place.readOnly = (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
    KeptControl current = DetachCurrent();
    Hide(current);
    KeptControl shown = from.back();
    from.pop_back();
    to.push_back(current);
    ShowKept(shown, place);
}

void EditView::StepBack() {
    WaitCursor wait;
    ShowInstead(before_, after_);
    history_.undosSinceBack = 0;
    // The control's own undo of a whole-text deletion leaves the caret at
    // the end of the text it brought back.
    const auto end = static_cast<WPARAM>(ControlTextLength(hwnd_));
    CallWindowProcW(baseProc_, hwnd_, EM_SETSEL, end, end);
    Send(EM_SCROLLCARET);
}

void EditView::StepForward() {
    WaitCursor wait;
    ShowInstead(after_, before_);
    // Typing over the text was undone on the way back: it is redone here.
    if (history_.typedOver && BaseCanRedo()) {
        CallWindowProcW(baseProc_, hwnd_, EM_REDO, 0, 0);
        FollowSavedText();
    }
    Send(EM_SCROLLCARET);
}

bool EditView::CanUndoEdit() const { return BaseCanUndo() || !before_.empty(); }

bool EditView::CanRedoEdit() const {
    if (history_.undosSinceBack > 0) return BaseCanRedo();
    if (!after_.empty()) return true;
    return !history_.staleRedo && BaseCanRedo();
}

LRESULT EditView::UndoEdit(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT done = FALSE;
    if (BaseCanUndo()) {
        done = DefaultProc(message, wParam, lParam);
        ++history_.undosSinceBack;
        // Typing over the whole text and its replacement are one step.
        if (history_.typedOver && !BaseCanUndo() && !before_.empty()) {
            StepBack();
        } else {
            FollowSavedText();
        }
    } else if (!before_.empty()) {
        StepBack();
        done = TRUE;
    }
    return done;
}

LRESULT EditView::RedoEdit(UINT message, WPARAM wParam, LPARAM lParam) {
    if (history_.undosSinceBack > 0 || (after_.empty() && !history_.staleRedo)) {
        if (history_.undosSinceBack > 0) --history_.undosSinceBack;
        const LRESULT done = DefaultProc(message, wParam, lParam);
        FollowSavedText();
        return done;
    }
    if (after_.empty()) return FALSE;
    StepForward();
    return TRUE;
}

void EditView::EditInputStarts() {
    if (!after_.empty()) DropLaterControls();
}

void EditView::EditInputEnded() {
    // A real edit empties the control's own redo steps: none of them is stale now.
    if (!BaseCanRedo()) {
        history_.staleRedo = false;
        history_.undosSinceBack = 0;
    }
}

void EditView::DropKept(KeptControl& kept) {
    if (!kept.window || !IsWindow(kept.window)) return;
    // Freeing a long text takes a while: it goes when the thread is free.
    ShowWindow(kept.window, SW_HIDE);
    dropped_.push_back(kept.window);
    kept.window = nullptr;
    if (hwnd_) PostMessageW(hwnd_, kDestroyRetired, 0, 0);
}

void EditView::DropLaterControls() {
    for (KeptControl& kept : after_) DropKept(kept);
    after_.clear();
}

void EditView::DropHistory() {
    DropLaterControls();
    for (KeptControl& kept : before_) DropKept(kept);
    before_.clear();
    history_ = ControlHistory{};
}

}  // namespace brevitex
