// Find and replace: the history combos, the find/replace row switch, Replace
// and Replace All, and both forms of the dialog.
#include "dialogs/FindReplaceDialog.h"

#include <richedit.h>

#include <cwchar>
#include <vector>

#include "device/DeviceShell.h"
#include "dialogs/DialogFrame.h"
#include "document/EditQueries.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

namespace {

constexpr wchar_t kDownArrow = L'\u2193';

int TextLength(HWND edit) { return GetWindowTextLengthW(edit); }

// Read-only in either form: the edit style or the rich edit's own option.
bool IsReadOnly(HWND edit) {
    return (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) ||
           (SendMessageW(edit, EM_GETOPTIONS, 0, 0) & ECO_READONLY);
}

void SelectRange(HWND edit, int start, int end) {
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

bool ControlRect(HWND dialog, HWND control, RECT* rect) {
    if (!control || !GetWindowRect(control, rect)) return false;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

// The children that stay in place when the replace row is shown or hidden.
bool KeepsRowPlace(int id) {
    switch (id) {
    case IDC_FIND_LABEL:
    case IDC_FIND_TEXT:
    case IDC_FIND_NEXT:
    case IDC_REPLACE_LABEL:
    case IDC_REPLACE_TEXT:
    case IDC_REPLACE:
    case IDC_REPLACE_ALL:
        return true;
    default:
        return false;
    }
}

}  // namespace

const LayoutRow FindReplaceDialog::kLayoutTable[] = {
    {IDC_FIND_TEXT, kLayoutStretchX},
    {IDC_REPLACE_TEXT, kLayoutStretchX},
    {IDC_FIND_NEXT, kLayoutMoveX},
    {IDC_REPLACE, kLayoutMoveX},
    {IDC_REPLACE_ALL, kLayoutMoveX},
    kLayoutEnd,
};

const MessageMapEntry<FindReplaceDialog> FindReplaceDialog::kMap[] = {
    BX_MESSAGE(WM_INITDIALOG, OnInitDialog),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_COMMAND_CODE(IDC_FIND_TEXT, CBN_EDITCHANGE, OnFindEditChange),
    BX_COMMAND(IDCANCEL, OnCancel),
    BX_COMMAND(IDC_FIND_NEXT, OnFindNextButton),
    BX_COMMAND(IDM_FIND_FIND, OnFindNextButton),
    BX_COMMAND(IDC_REPLACE, OnReplaceButton),
    BX_COMMAND(IDM_FIND_REPLACE, OnReplaceButton),
    BX_COMMAND(IDC_REPLACE_ALL, OnReplaceAllButton),
    BX_MESSAGE(WM_SIZE, OnSize),
    BX_MESSAGE(WM_DESTROY, OnDestroy),
};

bool FindReplaceDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

void FindReplaceDialog::SetRowShift(int pixels) {
    flags_ = (flags_ & ~kRowShiftMask) | ((static_cast<uint32_t>(pixels) & 0xFFFFu) << kRowShiftBit);
}

void FindReplaceDialog::Prepare(HWND editControl, bool modal) {
    SetFlag(kModal, modal);
    SetEditControl(editControl);
    if (IsWindow(editControl) && !SelectedLineText(editControl, findText_)) findText_.Empty();
}

void FindReplaceDialog::SetEditControl(HWND editControl) {
    editControl_ = editControl;
    editParent_ = (GetWindowLongW(editControl, GWL_STYLE) & WS_CHILD) ? GetParent(editControl) : nullptr;
    editClass_[0] = 0;
    GetClassNameW(editControl, editClass_, kClassNameLength);
}

HWND FindReplaceDialog::EditControl() {
    // The view puts another control of its class in its place (word wrap, a
    // new document, an edit of the whole text) and may keep the old one
    // hidden: the one to search is the shown one, with the same parent.
    auto shown = [](HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; };
    if (editControl_ && (!IsWindow(editControl_) || !shown(editControl_)) && editParent_ && editClass_[0]) {
        for (HWND child = nullptr; (child = FindWindowExW(editParent_, child, editClass_, nullptr));) {
            if (shown(child)) {
                editControl_ = child;
                break;
            }
        }
    }
    return editControl_;
}

INT_PTR FindReplaceDialog::OpenModal(HWND editControl) {
    Prepare(editControl, true);
    return RunModal(editControl, IDD_FIND_REPLACE);
}

int FindReplaceDialog::OpenModeless(HWND editControl) {
    Prepare(editControl, false);
    if (!EnsureModeless(editControl, IDD_FIND_REPLACE)) return 0;
    SendMessageW(findCombo_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    SetReplaceMode(false);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    SetActiveWindow(hwnd_);
    return 1;
}

void FindReplaceDialog::OpenCommand(HWND editControl) {
    if (IsSmartphonePlatform()) {
        OpenModal(editControl);
    } else {
        OpenModeless(editControl);
    }
}

void FindReplaceDialog::FindNextCommand(HWND editControl) {
    if (hwnd_) {
        SetEditControl(editControl);
        SendMessageW(hwnd_, WM_COMMAND, IDM_FIND_FIND, 0);
    } else if (IsSmartphonePlatform() && !findText_.IsEmpty()) {
        FindNext(editControl, findText_, MatchCase(), WholeWord());
    } else {
        OpenCommand(editControl);
    }
}

int FindReplaceDialog::FindNext(HWND editControl, const wchar_t* text, bool matchCase, bool wholeWord) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(editControl, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const int from = static_cast<int>(start) + 1;
    int found = SearchWholeText(editControl, from, TextLength(editControl), text, matchCase, wholeWord);
    if (found < 0) found = SearchWholeText(editControl, 0, from, text, matchCase, wholeWord);
    if (found < 0) return -1;
    SelectRange(editControl, found, found + static_cast<int>(wcslen(text)));
    return found;
}

bool FindReplaceDialog::OnInitDialog(WPARAM, LPARAM, LRESULT& result) {
    findCombo_ = GetDlgItem(hwnd_, IDC_FIND_TEXT);
    replaceCombo_ = GetDlgItem(hwnd_, IDC_REPLACE_TEXT);
    // A new window starts as the template draws it: all three rows.
    SetFlag(kReplaceMode, true);
    WideString initial = findText_;
    if (initial.IsEmpty() && !SelectedLineText(EditControl(), initial)) initial.Empty();
    SetWindowTextW(findCombo_, initial);
    findEditBox_.Subclass(GetWindow(findCombo_, GW_CHILD));
    replaceEditBox_.Subclass(GetWindow(replaceCombo_, GW_CHILD));
    RECT combo{};
    GetWindowRect(replaceCombo_, &combo);
    SetRowShift(combo.bottom - combo.top + 4);
    CheckDlgButton(hwnd_, IDC_MATCH_CASE, MatchCase() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd_, IDC_WHOLE_WORD, WholeWord() ? BST_CHECKED : BST_UNCHECKED);
    if (IsModal()) SetUpSmartphoneForm();
    result = TRUE;
    return true;
}

void FindReplaceDialog::SetUpSmartphoneForm() {
    // The whole-word box goes under the case box, leaving room for the wide combos.
    HWND caseBox = GetDlgItem(hwnd_, IDC_MATCH_CASE);
    RECT box{};
    if (ControlRect(hwnd_, caseBox, &box)) {
        SetWindowPos(GetDlgItem(hwnd_, IDC_WHOLE_WORD), nullptr, box.left,
                     box.top + (box.bottom - box.top) + GetSystemMetrics(SM_CYEDGE), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layout_.InitLayout(hwnd_);
    RemoveModalFrame(hwnd_);
    PassBackKeyToDialog(CreateDialogMenuBar(hwnd_, IDR_FIND_MENUBAR, kMenuBarIdIsMenu));
    InitFullScreenDialog(hwnd_);
}

bool FindReplaceDialog::OnFindEditChange(WPARAM, LPARAM, LRESULT& result) {
    UpdateButtons();
    result = 0;
    return true;
}

bool FindReplaceDialog::OnFindNextButton(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (!ReadOptions()) return true;
    FindNext(EditControl(), findText_, MatchCase(), WholeWord());
    if (IsModal()) EndDialog(hwnd_, IDOK);
    return true;
}

bool FindReplaceDialog::OnReplaceButton(WPARAM, LPARAM, LRESULT& result) {
    EditControl();
    Replace();
    result = 0;
    return true;
}

bool FindReplaceDialog::OnReplaceAllButton(WPARAM, LPARAM, LRESULT& result) {
    EditControl();
    ReplaceAll();
    result = 0;
    return true;
}

bool FindReplaceDialog::ReadOptions() {
    SetFlag(kMatchCase, IsDlgButtonChecked(hwnd_, IDC_MATCH_CASE) == BST_CHECKED);
    SetFlag(kWholeWord, IsDlgButtonChecked(hwnd_, IDC_WHOLE_WORD) == BST_CHECKED);
    if (!WindowTextString(findCombo_, findText_)) findText_.Empty();
    if (findText_.IsEmpty()) return false;
    RememberInHistory(findCombo_, findText_);
    return true;
}

void FindReplaceDialog::RememberInHistory(HWND combo, const WideString& text) {
    if (text.IsEmpty()) return;
    const LRESULT existing = SendMessageW(combo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (existing != CB_ERR) SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(existing), 0);
    if (GetWindowTextLengthW(combo) == 0) SetWindowTextW(combo, text);
    SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool FindReplaceDialog::SelectionIsOccurrence() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(editControl_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (static_cast<int>(end - start) != findText_.Length()) return false;
    const int at = static_cast<int>(start);
    return SearchEdit(editControl_, at, at, findText_, MatchCase(), WholeWord()) == at;
}

void FindReplaceDialog::Replace() {
    if (!IsReplaceMode()) {
        SetReplaceMode(true);
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(replaceCombo_), TRUE);
        return;
    }
    if (!ReadOptions()) return;
    // Only an occurrence is replaced; any other selection just leads to the next occurrence.
    if (!IsReadOnly(editControl_) && SelectionIsOccurrence()) {
        const WideString replacement = WindowTextOf(replaceCombo_);
        RememberInHistory(replaceCombo_, replacement);
        SendMessageW(editControl_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
    }
    SendMessageW(hwnd_, WM_COMMAND, IDC_FIND_NEXT, 0);
}

void FindReplaceDialog::ReplaceAll() {
    if (SendMessageW(editControl_, EM_GETLINECOUNT, 0, 0) == 0) return;
    if (!ReadOptions()) return;
    const WideString replacement = WindowTextOf(replaceCombo_);
    RememberInHistory(replaceCombo_, replacement);
    if (!IsReadOnly(editControl_)) ReplaceEverywhere(replacement);
    if (IsModal()) EndDialog(hwnd_, IDOK);
}

void FindReplaceDialog::ReplaceEverywhere(const WideString& replacement) {
    const int findLength = findText_.Length();
    const int replaceLength = replacement.Length();
    // Each replacement would otherwise repaint the control; it is repainted once at the end.
    const bool visible = IsWindowVisible(editControl_) != FALSE;
    if (visible) SendMessageW(editControl_, WM_SETREDRAW, FALSE, 0);
    int pos = ReplaceAllButTheLast(replacement);
    for (int length = TextLength(editControl_); pos < length;) {
        const int found = SearchEdit(editControl_, pos, length, findText_, MatchCase(), WholeWord());
        if (found < 0) break;
        SelectRange(editControl_, found, found + findLength);
        SendMessageW(editControl_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replacement.c_str()));
        const int newLength = TextLength(editControl_);
        // A control that refused the edit would be searched at the same place forever.
        if (newLength != length - findLength + replaceLength) break;
        length = newLength;
        pos = found + replaceLength;
    }
    if (visible) {
        SendMessageW(editControl_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(editControl_, nullptr, TRUE);
    }
}

int FindReplaceDialog::ReplaceAllButTheLast(const WideString& replacement) {
    // A replacement holding a break would be split into lines by the control.
    for (int i = 0; i < replacement.Length(); ++i) {
        if (replacement[i] < L' ' && replacement[i] != L'\t') return 0;
    }
    GETTEXTLENGTHEX units{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto length = static_cast<int>(
        SendMessageW(editControl_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&units), 0));
    if (length <= 0) return 0;
    WideString text;
    wchar_t* data = text.GetBuffer(length);
    if (!data) return 0;
    TEXTRANGEW range{{0, length}, data};
    const auto read = static_cast<int>(SendMessageW(editControl_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    text.ReleaseBuffer(read == length ? length : 0);
    if (read != length) return 0;
    std::vector<int> sites;
    if (!OccurrencesToReplace(text, length, findText_, replacement, MatchCase(), WholeWord(), sites)) return 0;
    if (sites.size() <= kLastReplacedOneByOne) return 0;
    // The text with every occurrence before the last few replaced.
    const size_t atOnce = sites.size() - kLastReplacedOneByOne;
    const int findLength = findText_.Length();
    const int64_t grown = static_cast<int64_t>(length) +
                          static_cast<int64_t>(atOnce) * (replacement.Length() - findLength);
    if (grown > INT32_MAX / 2) return 0;
    WideString replaced;
    wchar_t* out = replaced.GetBuffer(static_cast<int>(grown));
    if (!out) return 0;
    const wchar_t* in = text.c_str();
    const size_t insertedUnits = static_cast<size_t>(replacement.Length());
    int copied = 0;
    for (size_t i = 0; i < atOnce; ++i) {
        const size_t kept = static_cast<size_t>(sites[i] - copied);
        wmemcpy(out, in + copied, kept);
        wmemcpy(out + kept, replacement.c_str(), insertedUnits);
        out += kept + insertedUnits;
        copied = sites[i] + findLength;
    }
    const int caret = static_cast<int>(grown) - (length - copied);
    wmemcpy(out, in + copied, static_cast<size_t>(length - copied));
    replaced.ReleaseBuffer(static_cast<int>(grown));
    text.Empty();
    ReplacedText request{&replaced, caret};
    auto taken = reinterpret_cast<HWND>(
        SendMessageW(editControl_, UWM_TAKE_REPLACED_TEXT, 0, reinterpret_cast<LPARAM>(&request)));
    if (!taken) return 0;
    editControl_ = taken;
    return caret;
}

void FindReplaceDialog::SetReplaceMode(bool on) {
    if (IsReplaceMode() == on) return;
    SetFlag(kReplaceMode, on);
    const int show = on ? SW_SHOW : SW_HIDE;
    ShowWindow(replaceCombo_, show);
    ShowWindow(GetDlgItem(hwnd_, IDC_REPLACE_ALL), show);
    ShowWindow(GetDlgItem(hwnd_, IDC_REPLACE_LABEL), show);

    const int shift = on ? RowShift() : -RowShift();
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (KeepsRowPlace(GetDlgCtrlID(child))) continue;
        RECT rect{};
        if (!ControlRect(hwnd_, child, &rect)) continue;
        SetWindowPos(child, nullptr, rect.left, rect.top + shift, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!IsModal()) {
        RECT window{};
        GetWindowRect(hwnd_, &window);
        SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + shift,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    HWND replaceButton = GetDlgItem(hwnd_, IDC_REPLACE);
    WideString caption = WindowTextOf(replaceButton);
    int arrow = -1;
    for (int i = 0; i < caption.Length(); ++i) {
        if (caption[i] == kDownArrow) {
            arrow = i;
            break;
        }
    }
    if (!on && arrow < 0) {
        const wchar_t suffix[] = {kDownArrow, 0};
        caption.Append(suffix);
        SetWindowTextW(replaceButton, caption);
    } else if (on && arrow >= 0) {
        SetWindowTextW(replaceButton, caption.Mid(0, arrow));
    }
    UpdateButtons();
}

void FindReplaceDialog::UpdateButtons() {
    const bool hasText = GetWindowTextLengthW(findCombo_) > 0;
    EnableWindow(GetDlgItem(hwnd_, IDC_FIND_NEXT), hasText);
    EnableWindow(GetDlgItem(hwnd_, IDC_REPLACE_ALL), hasText);
    EnableWindow(GetDlgItem(hwnd_, IDC_REPLACE), hasText || !IsReplaceMode());
}

}  // namespace brevitex
