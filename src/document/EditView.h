// EditView: the document window of a frame. Its window (class
// "VidavizEdizAvaro") is the rich edit control itself, superclassed so that
// the view's message table runs in front of the control's own procedure. The
// view holds the document (path or untitled name, encoding, BOM flag, line
// breaks), loads and saves it, runs the edit commands, the date and time
// insertion and the context menu, accelerates held arrow keys, and tells its
// parent with UWM_UPDATE_POSITION whenever the caret may have moved. To drop a
// long text it replaces the control by a new one rather than emptying it, so
// its window handle changes with NewDocument and LoadDocument as well as with
// SetWordWrap.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "common/CommandState.h"
#include "common/TextEncoding.h"
#include "common/WideString.h"
#include "common/Window.h"
#include "document/LineBreaks.h"
#include "document/TextFile.h"

namespace brevitex {

class FindReplaceDialog;
class SmsDialog;
struct RecoveryRecord;
class StreamProgress;
class LoadProgress;

inline constexpr wchar_t kEditViewClassName[] = L"VidavizEdizAvaro";
// The frame's styles for the view; ES_WANTRETURN (0x1000) records word wrap.
inline constexpr DWORD kEditViewWrapStyle = 0x50201144;
inline constexpr DWORD kEditViewNoWrapStyle = 0x503001C4;

// What saving the document would change in the file it was loaded from.
struct SaveChanges {
    int64_t standIns = 0;        // characters shown in place of bytes, written as themselves
    bool oddByte = false;        // a UTF-16 file's odd last byte is dropped
    bool toUtf16 = false;        // the encoding gives way to UTF-16
    bool otherBytes = false;     // bytes that come back otherwise than the above say
    bool breaksUnified = false;  // several kinds of line break become one
    LineBreak style = LineBreak::CrLf;
};

class EditView : public WindowBase {
public:
    using Self = EditView;
    using TickSource = DWORD(WINAPI*)();

    // Starts on a fresh untitled document (the process's next number).
    EditView();
    ~EditView() override;

    // Registers "VidavizEdizAvaro" once per process; false when the rich edit
    // class is not available.
    static bool RegisterViewClass();

    // Creates the view window as a child of the parent; null on failure.
    HWND Create(HWND parent, const RECT& rect, DWORD style, DWORD exStyle = 0);

    // Loads a file into the control. On failure nothing else changes, unless
    // the control could not take the whole text (a new document starts) or no
    // new control could be made (the view is left without a window).
    // A load that runs longer than half a second shows a progress bar. The
    // file is read and decoded on a thread of its own, Esc or Back cancelling
    // the load meanwhile with nothing changed.
    // A long text fills a new control, the document staying shown until the
    // text is whole; Esc or Back then cancels it, leaving the document, its
    // undo and its modified flag as they were. Only when two long texts do
    // not fit does the document go before the new text comes.
    bool LoadDocument(const wchar_t* path, TextEncoding encoding);
    // How the last LoadDocument ended. A text with a line longer than
    // kLongestLine units is refused before anything changes: the control
    // would lay such a line out for longer than a user waits, answering nothing.
    enum class LoadEnd { Loaded, Failed, Cancelled, LineTooLong };
    LoadEnd LastLoad() const { return lastLoad_; }
    static constexpr int kLongestLine = 16000000;
    // Saves the control's text; an empty path means the document's own, and
    // TextEncoding::AutoDetect the document's encoding.
    bool SaveDocument(const wchar_t* path, TextEncoding encoding);
    // Empties the control and starts the next untitled document.
    void NewDocument();
    // Re-creates the window with word wrap on or off, keeping the text and the
    // modified flag; returns the view's window. Word wrap is not turned on
    // for a text with a line longer than kLongestWrappedLine units (the
    // control takes time growing with the square of a line's length to wrap
    // it: a line of 10,000 units held the window 0.8 s, one of 100,000 85 s);
    // WrapDeclined() then tells.
    HWND SetWordWrap(bool on);
    static constexpr int kLongestWrappedLine = 4096;
    // Whether word wrap is on, or was wanted for the text shown and declined.
    bool WrapWanted() const { return IsWordWrapped() || wrapDeclined_; }
    bool WrapDeclined() const { return wrapDeclined_; }

    // The document as a recovery record, its text with a CR for each break
    // (EditViewRecovery.cpp); false when the text could not all be read.
    bool CaptureRecovery(RecoveryRecord* record);
    // Takes a recovered document in place of the current one, as modified
    // and without undo steps; false, with a new document, when the control
    // could not take the whole text.
    bool RestoreRecovery(const RecoveryRecord& record);

    // The frame is closing: a control holding a long text, and one replaced
    // before, are parked (common/ParkedWindows.h) rather than destroyed with
    // the frame, which then goes at once. The view is left without a window.
    void ParkLongText();

    // Sets the states of the edit commands.
    void UpdateCommandUI(CommandStateSink& sink) const;
    // The view's own command handling, for commands the frame passes on.
    bool HandleCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);

    const WideString& Path() const { return path_; }
    TextEncoding Encoding() const { return encoding_; }
    bool WriteBom() const { return writeBom_; }
    LineBreak DocumentLineBreak() const { return lineBreak_; }
    // False when the file's bytes did not all come back from the loaded text,
    // so that saving it unedited would change the file.
    bool LoadedExactly() const { return loadedExactly_; }
    // What the last load found: characters standing in for bytes, a UTF-16
    // file's odd last byte, several kinds of line break.
    int64_t StandIns() const { return standIns_; }
    bool OddByte() const { return oddByte_; }
    bool MixedLineBreaks() const { return mixedBreaks_; }
    // Whether a save in the encoding (AutoDetect: the document's) would write
    // the file otherwise than it was loaded and the user has not yet agreed;
    // changes then says how.
    bool SaveWouldChangeFile(TextEncoding encoding, SaveChanges& changes);
    // The user agreed to those changes: later saves do not ask again.
    void AcceptSaveChanges() { changesAccepted_ = true; }
    // The file as last loaded or saved; not known for an untitled document.
    const FileStamp& Stamp() const { return stamp_; }
    FindReplaceDialog* FindDialog() const { return findDialog_.get(); }
    SmsDialog* ShortMessageDialog() const { return smsDialog_.get(); }

    // Held Up and Down keys: extra moves growing with the square of the time held.
    void KeyRepeatAcceleration(UINT key);
    // Presses a key count times straight into the control, ending early at the
    // edge of the text or when a key-up is waiting.
    void SendKeyBurst(UINT key, int count);
    // How much of the view, from its top, the user sees while its parent
    // cuts it off (0: all of it); the caret is scrolled into that part.
    void SetShownHeight(int pixels) { shownHeight_ = pixels; }
    // The paging line height in pixels (font height plus edge metric); 0 when unknown.
    int LineHeight() const;
    // The clock the key-repeat timing and the load progress read (tests supply their own).
    void SetTickSource(TickSource source) { tickSource_ = source; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // One press of a key, handed to the control's own procedure.
    virtual void PressKey(UINT key);
    // The control's whole text as it streams out; false when it could not all be read.
    virtual bool ReadControlText(WideString& text);
    // Replaces the control's text, telling progress how far it has come; false
    // when the control did not take all of it.
    virtual bool FillControl(const WideString& text, StreamProgress* progress = nullptr);

private:
    static const MessageMapEntry<EditView> kMap[];

    HWND CreateViewWindow(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id);
    // Whether the control holds more text than is quickly emptied in place.
    bool HoldsLongText() const;
    // Where the control sits and how it is set up, for a control to replace it.
    struct ControlPlace {
        HWND parent = nullptr;
        DWORD exStyle = 0;
        UINT id = 0;
        RECT rect{};
        HWND above = nullptr;  // the sibling just above it; null when it is on top
        LRESULT eventMask = 0;
        LRESULT limit = 0;
        bool focused = false;
        bool readOnly = false;
    };
    ControlPlace TakePlace() const;
    // Creates the view's control with the style in that place, with the view's
    // font; false when it could not be created.
    bool CreateInPlace(const ControlPlace& place, DWORD style);
    // The view's style with word wrap on or off, keeping read-only.
    DWORD ViewStyle(bool wrap) const;
    bool IsWordWrapped() const;
    // Puts a new, empty control with the style in the old one's place at
    // once. The old one is hidden and destroyed once the thread is free
    // again, as freeing a long text takes a while. False, with the old
    // control kept, when no new one could be created.
    bool RecreateControl(DWORD style);
    // Creates a control with the style in the place and fills it with the
    // text; false, with the new control gone and the view without a window,
    // when either fails.
    bool CreateFilled(const ControlPlace& place, DWORD style, const WideString& text, StreamProgress* progress);
    // Whether the control or a control kept for undo holds a long text.
    bool LongTextAround() const;
    // Fills a new, hidden control with a loaded text and shows it in place of
    // the current one, which then goes; false, with the current one shown as
    // it was, when it could not be filled or the load was cancelled.
    bool FillBeside(const WideString& text, DWORD style, LoadProgress& progress);
    // Fills the view's control with a loaded text, dropping the document and
    // its undo first (and the control, when it holds a long text); false,
    // with a new document, when the control could not take the whole text.
    bool FillInPlace(const WideString& text, DWORD style, LoadProgress& progress);
    // The style for a text about to be shown: word wrap as wanted, unless a
    // line is too long to wrap (which wrapDeclined_ remembers).
    DWORD StyleForText(const WideString& text);
    // Whether the control's word wrap differs from the style's.
    bool WrapsUnlike(DWORD style) const;
    // Destroys the control, then creates a new one in its place with the
    // style, or else with the fallback style; false when neither could be
    // created, leaving the view without a window.
    bool ReplaceControl(DWORD style, DWORD fallbackStyle);
    void RetireControl(HWND old);
    void DestroyRetired();
    void NotifyPosition() const;
    // A text just taken in: no undo steps, the caret at the top, modified or not.
    void StartAtTop(bool modified);
    // After an undo or redo: modified exactly when the text is not the one
    // last loaded or saved.
    void FollowSavedText();
    bool OnUndoRedo(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCanUndo(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnScrollCaret(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCanRedo(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnChar(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnStartComposition(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A message that may edit the text, handed on with the history told.
    template <UINT Message>
    bool OnEditInput(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Delete, cut and paste: over the whole of a long text, a replacement.
    template <UINT Message>
    bool OnClipboardEdit(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // An editing key; false when it is none.
    bool EditKeyDown(WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Whole-text replacements and the controls kept for their undo (EditViewHistory.cpp).
    enum class WholeTextEdit { Delete, Cut, Paste, Typing };
    struct ControlHistory {
        bool typedOver = false;   // its first undo step is typing that replaced the text before it
        bool staleRedo = false;   // its own redo steps were overtaken by a replacement
        int undosSinceBack = 0;   // its own undo steps taken since it was shown again
    };
    struct KeptControl {
        HWND window = nullptr;
        LRESULT eventMask = 0;
        HFONT font = nullptr;
        ControlHistory history;
        int64_t units = 0;  // the length of its text
        bool modified = false;  // its modified flag when it was hidden
        uint32_t savedTexts = 0;  // the view's count of saved texts then
    };
    // Above this many units a whole-text edit replaces the control.
    static constexpr int64_t kWholeTextLimit = 64 * 1024;
    // Posted to the view: destroy the controls it replaced or dropped, now that the thread is free.
    static constexpr UINT kDestroyRetired = WM_APP + 0x190;
    bool SelectsWholeLongText() const;
    bool BaseCanUndo() const;
    bool BaseCanRedo() const;
    // Replaces the control for an edit of the whole long text; false, with
    // nothing done, when the selection is not all of a long text or no new
    // control could be made. For typing, the caller hands the key on.
    bool ReplaceWholeText(WholeTextEdit edit);
    // Shows the text of a Replace All in a new control, the history otherwise
    // as the replacements one by one would have left it; false, with the
    // control as it was, when it is read-only or no new one could be filled.
    bool TakeReplacedText(const WideString& text, int caret);
    bool OnTakeReplacedText(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The copy of the text Find Next searches, taken when first asked for.
    struct SearchCopy {
        WideString text;
        HWND window = nullptr;  // the control it was taken from; null when there is none
        bool folded = false;
    };
    bool OnGetSearchCopy(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void DropSearchCopy();
    KeptControl DetachCurrent();
    static void Hide(KeptControl& kept);
    void ShowKept(KeptControl kept, const ControlPlace& place);
    // Shows the nearest control of `from` in place of the current one, which
    // goes to `to`.
    void ShowInstead(std::vector<KeptControl>& from, std::vector<KeptControl>& to);
    void StepBack();
    void StepForward();
    bool CanUndoEdit() const;
    bool CanRedoEdit() const;
    LRESULT UndoEdit(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT RedoEdit(UINT message, WPARAM wParam, LPARAM lParam);
    void EditInputStarts();
    void EditInputEnded();
    // The frame hears of a change the control did not tell it of.
    void TellTextChanged();
    void DropKept(KeptControl& kept);
    void DropLaterControls();
    void DropHistory();
    static WNDPROC RichEditProc();
    template <UINT Message>
    bool OnUndoOrRedo(WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return OnUndoRedo(Message, wParam, lParam, result);
    }
    bool InsertDateTime(UINT id);
    void ShowContextMenu(LPARAM point);

    bool OnCreate(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroyRetired(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFocus(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFont(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnContextMenu(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetReadOnly(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnKeyDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnKeyUp(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnLButtonDown(WPARAM wParam, LPARAM lParam, LRESULT& result);
    template <UINT Message>
    bool OnMovesCaret(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnInsertDateTime(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnEditCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The dialogs the view owns (EditViewDialogs.cpp).
    bool OnFindReplace(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFindNext(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSendSms(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCallNumber(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void DestroyDialogs();

    WideString path_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    bool writeBom_ = true;
    LineBreak lineBreak_ = LineBreak::CrLf;
    bool loadedExactly_ = true;
    int64_t standIns_ = 0;
    bool oddByte_ = false;
    bool mixedBreaks_ = false;
    bool changesAccepted_ = false;
    LoadEnd lastLoad_ = LoadEnd::Loaded;
    // Length and hash of the text as last loaded or saved, breaks as one CR each.
    struct TextDigest {
        int64_t length = 0;
        uint64_t hash = 0;
        bool operator==(const TextDigest&) const = default;
    };
    static TextDigest DigestOf(const WideString& text);
    TextDigest savedDigest_;
    bool wrapDeclined_ = false;
    // Counts the texts taken as saved (loads, saves, new documents).
    uint32_t savedTexts_ = 0;
    FileStamp stamp_;
    DWORD keyRepeatStart_ = 0;
    int shownHeight_ = 0;
    TickSource tickSource_ = GetTickCount;
    // The font last set on the control (null: its own), for a re-created control.
    HFONT font_ = nullptr;
    // A replaced control waiting, hidden, to be destroyed.
    HWND retired_ = nullptr;
    // Kept controls no longer wanted, waiting the same way.
    std::vector<HWND> dropped_;
    // The current control's place in the history, the controls before it
    // (nearest last) and those after it that redo brings back (nearest last).
    ControlHistory history_;
    std::vector<KeptControl> before_;
    std::vector<KeptControl> after_;
    SearchCopy searchCopy_;
    // The control was made while a replaced long text still existed: it is
    // replaced in turn before a load fills it.
    bool madeBeside_ = false;
    // Deletes the dialogs where their classes are complete (EditViewDialogs.cpp).
    struct DialogDeleter {
        void operator()(FindReplaceDialog* dialog) const;
        void operator()(SmsDialog* dialog) const;
    };
    std::unique_ptr<FindReplaceDialog, DialogDeleter> findDialog_;
    std::unique_ptr<SmsDialog, DialogDeleter> smsDialog_;
};

}  // namespace brevitex
