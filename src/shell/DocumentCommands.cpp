// The frame's document commands: the save prompt, opening and saving with the
// read-only handling and the failure messages, the file browser for Open and
// Save As, and the window title.
#include <cwchar>

#include "device/DeviceShell.h"
#include "document/TextFile.h"
#include "filebrowser/FileBrowserDialog.h"
#include "resources/resource.h"
#include "common/Module.h"
#include "shell/MainFrame.h"

namespace brevitex {

namespace {

constexpr UINT kSavePromptPocketPc = MB_YESNOCANCEL | MB_ICONQUESTION;  // 0x23
constexpr UINT kSavePromptSmartphone = MB_YESNO | MB_ICONQUESTION;      // 0x24
constexpr UINT kReadOnlyPrompt = MB_YESNO | MB_ICONQUESTION;            // 0x24
constexpr UINT kChangedPrompt = MB_YESNO | MB_ICONQUESTION;             // 0x24
// Paths longer than this are shown shortened in the middle, so that every
// message still fits the formatting page.
constexpr int kShownPathUnits = 1000;
constexpr UINT kFailureBox = MB_OK | MB_ICONEXCLAMATION;                // 0x30
// No is the default: a hasty Enter leaves the file as it was.
constexpr UINT kChangesPrompt = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;  // 0x124
constexpr UINT kNoteBox = MB_OK | MB_ICONINFORMATION;                   // 0x40

int Clamped(int64_t count) { return count > INT32_MAX ? INT32_MAX : static_cast<int>(count); }

UINT BreakNameId(LineBreak style) {
    switch (style) {
        case LineBreak::Lf: return IDS_BREAK_LF;
        case LineBreak::Cr: return IDS_BREAK_CR;
        case LineBreak::CrCrLf: return IDS_BREAK_CRCRLF;
        default: return IDS_BREAK_CRLF;
    }
}

// Appends one line of the changes prompt; false when memory ran out.
bool AppendLine(WideString& lines, const WideString& line) {
    if (line.IsEmpty()) return false;
    return (lines.IsEmpty() || lines.Append(L"\n")) && lines.Append(line);
}

// The lines that say what a save will change.
bool DescribeChanges(const SaveChanges& changes, WideString& lines) {
    WideString line;
    if (changes.standIns > 0) {
        if (!line.FormatId(IDS_SAVE_CHANGE_STAND_INS, Clamped(changes.standIns)) || !AppendLine(lines, line)) {
            return false;
        }
    }
    if (changes.toUtf16 && (!line.Load(IDS_SAVE_CHANGE_UTF16) || !AppendLine(lines, line))) return false;
    if (changes.oddByte && (!line.Load(IDS_SAVE_CHANGE_ODD_BYTE) || !AppendLine(lines, line))) return false;
    if (changes.otherBytes && (!line.Load(IDS_SAVE_CHANGE_BYTES) || !AppendLine(lines, line))) return false;
    if (changes.breaksUnified) {
        WideString name;
        if (!name.Load(BreakNameId(changes.style)) || !line.FormatId(IDS_SAVE_CHANGE_BREAKS, name.c_str()) ||
            !AppendLine(lines, line)) {
            return false;
        }
    }
    return true;
}

// The text with its middle replaced by "..." when it is longer than maxUnits.
WideString ShortenedInTheMiddle(const wchar_t* text, int maxUnits) {
    int length = static_cast<int>(wcslen(text));
    if (length <= maxUnits) return WideString(text);
    int head = (maxUnits - 3) / 2;
    int tail = maxUnits - 3 - head;
    WideString shortened(text, head);
    if (!shortened.Append(L"...") || !shortened.Append(text + length - tail)) return WideString();
    return shortened;
}

int ShowBox(HWND owner, UINT textId, const wchar_t* argument, UINT type) {
    WideString text;
    if (argument ? !text.FormatId(textId, ShortenedInTheMiddle(argument, kShownPathUnits).c_str())
                 : !text.Load(textId)) {
        return 0;
    }
    return DeviceMessageBox(owner, text, ApplicationTitle(), type);
}

}  // namespace

bool MainFrame::HasFile(const wchar_t* path) {
    if (!path || !path[0]) return false;
    if (path[0] == L'\\') return true;
    bool driveLetter = (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return driveLetter && path[1] == L':' && path[2] == L'\\';
}

bool MainFrame::QuerySave() {
    if (!client_ || !SendMessageW(client_, EM_GETMODIFY, 0, 0)) return true;
    if (!HasFile(view_.Path()) && GetWindowTextLengthW(client_) == 0) return true;
    UINT type = IsSmartphonePlatform() ? kSavePromptSmartphone : kSavePromptPocketPc;
    switch (ShowBox(hwnd_, IDS_SAVE_PROMPT, view_.Path(), type)) {
    case IDYES:
        return SendMessageW(hwnd_, WM_COMMAND, ID_FILE_SAVE, 0) != 0;
    case IDNO:
        return true;
    default:
        // Cancel, or a prompt that could not be shown: the text stays.
        return false;
    }
}

bool MainFrame::OpenFile(const wchar_t* path, TextEncoding encoding) {
    flags_ |= kTitleModified;
    // The input panel goes down before the text arrives, not after: a view
    // given another height after a long load lays its whole text out again.
    AfterDocumentChange();
    // The window is whole on the screen before a long load keeps the thread busy.
    PaintNow();
    bool loaded = view_.Handle() && view_.LoadDocument(path, encoding);
    FollowViewWindow();
    if (!loaded) {
        // A load the user cancelled left the document as it was, and needs no word.
        const EditView::LoadEnd end = view_.LastLoad();
        if (end == EditView::LoadEnd::LineTooLong) {
            ShowBox(hwnd_, IDS_OPEN_LINE_TOO_LONG, path, kFailureBox);
        } else if (end != EditView::LoadEnd::Cancelled) {
            ShowBox(hwnd_, IDS_OPEN_FAILED, path, kFailureBox);
        }
        return false;
    }
    ShowUnmodified();
    DWORD attributes = GetFileAttributesW(path);
    // A file whose bytes the text does not give back opens read-only like a
    // read-only file, so that an unedited save cannot change it.
    bool readOnly = (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) ||
                    !view_.LoadedExactly();
    SendMessageW(client_, EM_SETREADONLY, readOnly, 0);
    AfterDocumentChange();
    if (view_.WrapDeclined()) TellWrapDeclined(path);
    if (!view_.LoadedExactly()) TellWhyReadOnly(path);
    return true;
}

void MainFrame::TellWrapDeclined(const wchar_t* path) {
    if (path) {
        ShowBox(hwnd_, IDS_OPENED_UNWRAPPED, path, kNoteBox);
    } else {
        ShowBox(hwnd_, IDS_WRAP_DECLINED, nullptr, kNoteBox);
    }
}

void MainFrame::TellWhyReadOnly(const wchar_t* path) {
    WideString reason;
    bool made = view_.OddByte()            ? reason.Load(IDS_INEXACT_ODD_BYTE)
                : view_.StandIns() > 0     ? reason.FormatId(IDS_INEXACT_STAND_INS, Clamped(view_.StandIns()))
                                           : reason.Load(IDS_INEXACT_BYTES);
    WideString text;
    if (!made || !text.FormatId(IDS_OPENED_READONLY, ShortenedInTheMiddle(path, kShownPathUnits).c_str(),
                                reason.c_str())) {
        return;
    }
    DeviceMessageBox(hwnd_, text, ApplicationTitle(), kNoteBox);
}

bool MainFrame::ConsentToSaveChanges(const wchar_t* target, TextEncoding encoding, bool& asked) {
    asked = false;
    SaveChanges changes;
    if (!view_.Handle() || !view_.SaveWouldChangeFile(encoding, changes)) return true;
    WideString lines;
    WideString text;
    // A prompt that cannot be made is a prompt not answered Yes.
    if (!DescribeChanges(changes, lines) ||
        !text.FormatId(IDS_SAVE_CHANGES_PROMPT, ShortenedInTheMiddle(target, kShownPathUnits).c_str(), lines.c_str())) {
        return false;
    }
    asked = true;
    if (DeviceMessageBox(hwnd_, text, ApplicationTitle(), kChangesPrompt) != IDYES) return false;
    view_.AcceptSaveChanges();
    return true;
}

bool MainFrame::SaveFile(const wchar_t* path, TextEncoding encoding) {
    WideString target = (path && path[0]) ? WideString(path) : view_.Path();
    bool ownFile = CompareStringOrdinal(target, -1, view_.Path(), -1, TRUE) == CSTR_EQUAL;
    if (ownFile && ChangedByAnotherProgram()) {
        if (ShowBox(hwnd_, IDS_CHANGED_PROMPT, target, kChangedPrompt) != IDYES) return false;
    }
    // Whatever the read-only mode, a save that would change the file's bytes
    // beyond the user's edits asks first, saying how.
    bool askedChanges = false;
    if (!ConsentToSaveChanges(target, encoding, askedChanges)) return false;
    DWORD attributes = GetFileAttributesW(target);
    bool readOnlyFile = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    // A document shown read-only is written over only after a question: the
    // one above, or else the read-only one.
    bool readOnlyView = ownFile && client_ && (GetWindowLongW(client_, GWL_STYLE) & ES_READONLY) && !askedChanges;
    bool unlocked = false;
    if (readOnlyFile || readOnlyView) {
        if (ShowBox(hwnd_, IDS_READONLY_PROMPT, nullptr, kReadOnlyPrompt) != IDYES) return false;
        if (readOnlyFile) unlocked = SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
    }
    flags_ |= kTitleModified;
    bool saved = view_.Handle() && view_.SaveDocument(target, encoding);
    if (unlocked) SetFileAttributesW(target, attributes);
    if (!saved) {
        ShowBox(hwnd_, IDS_SAVE_FAILED, target, kFailureBox);
        return false;
    }
    ShowUnmodified();
    AfterDocumentChange();
    return true;
}

// A document just loaded or saved is unmodified: the title says so at once,
// before a note shown next could hold up the idle pass, and no recovery copy
// of it is kept.
void MainFrame::ShowUnmodified() {
    flags_ &= ~kTitleModified;
    recovery_.Discard(hwnd_);
    UpdateTitle();
}

// Whether the document's file has another last-write time or size than when
// the document last loaded or saved it.
bool MainFrame::ChangedByAnotherProgram() const {
    const FileStamp& known = view_.Stamp();
    if (!known.known) return false;
    FileStamp now = ReadFileStamp(view_.Path());
    return now.known && !(now == known);
}

// After an open or a save the input panel goes down and the frame fills the screen again.
void MainFrame::AfterDocumentChange() {
    DeviceSipPreference(hwnd_, kSipLower);
    FitToInputPanel();
}

WideString MainFrame::BrowserFilter(bool dropFirstPair) {
    WideString filter;
    if (!filter.Load(IDS_FILE_FILTER)) return filter;
    if (dropFirstPair) {
        const wchar_t* first = wcschr(filter, L'|');
        const wchar_t* second = first ? wcschr(first + 1, L'|') : nullptr;
        filter = second ? filter.Mid(static_cast<int>(second + 1 - filter.c_str())) : WideString();
    }
    int length = filter.Length();
    if (length == 0) return filter;
    wchar_t* text = filter.GetBuffer(length);
    if (!text) return WideString();
    for (int i = 0; i < length; ++i) {
        if (text[i] == L'|') text[i] = 0;
    }
    filter.ReleaseBuffer(length);
    return filter;
}

bool MainFrame::OpenWithBrowser() {
    WideString filter = BrowserFilter(false);
    bool opened = false;
    {
        FileBrowserDialog dialog(BrowseMode::Open, view_.Path(), filter);
        if (dialog.Run(hwnd_) == IDOK) opened = OpenFile(dialog.Path(), dialog.Encoding());
    }
    UpdateTitle();
    return opened;
}

bool MainFrame::SaveAsWithBrowser() {
    WideString filter = BrowserFilter(true);
    bool saved = false;
    {
        FileBrowserDialog dialog(BrowseMode::SaveAs, view_.Path(), filter);
        dialog.SetEncoding(view_.Encoding());
        if (dialog.Run(hwnd_) == IDOK) saved = SaveFile(dialog.Path(), dialog.Encoding());
    }
    UpdateTitle();
    return saved;
}

// Title: the file-name part of the path, "*" while modified, " - ", the application title.
void MainFrame::UpdateTitle() {
    if (!hwnd_) return;
    const wchar_t* path = view_.Path();
    const wchar_t* slash = wcsrchr(path, L'\\');
    const wchar_t* name = slash ? slash + 1 : path;
    WideString title;
    if (title.Format(L"%s%s - %s", name, (flags_ & kTitleModified) ? L"*" : L"", ApplicationTitle())) {
        SetWindowTextW(hwnd_, title);
    }
}

}  // namespace brevitex
