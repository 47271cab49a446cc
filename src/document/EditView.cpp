// The edit view: window class, message table, document load and save, word
// wrap, command states, date and time insertion and held-key acceleration.
#include "document/EditView.h"

#include <imm.h>
#include <richedit.h>

#include <atomic>
#include <cstdint>

#include "common/Messages.h"
#include "document/EditCommands.h"
#include "document/EditMenu.h"
#include "document/EditQueries.h"
#include "document/EditStreams.h"
#include "document/LoadProgress.h"
#include "document/PreparedText.h"
#include "document/TextCodec.h"
#include "document/TextFile.h"
#include "resources/resource.h"
#include "common/Module.h"
#include "common/Handles.h"
#include "common/ParkedWindows.h"

namespace brevitex {

namespace {

// Messages that never change the control's text. Any other may, and the copy
// Find Next searches is dropped when one arrives.
bool LeavesTextAlone(UINT message, WPARAM wParam) {
    switch (message) {
    case WM_PAINT: case WM_NCPAINT: case WM_ERASEBKGND: case WM_PRINTCLIENT: case WM_TIMER:
    case WM_NCHITTEST: case WM_SETCURSOR: case WM_MOUSEMOVE: case WM_MOUSEWHEEL: case WM_MOUSEACTIVATE:
    case WM_CAPTURECHANGED: case WM_VSCROLL: case WM_HSCROLL: case WM_KEYUP:
    case WM_SETFOCUS: case WM_KILLFOCUS: case WM_GETDLGCODE: case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: case WM_MOVE: case WM_SIZE: case WM_SHOWWINDOW: case WM_NCCALCSIZE:
    case WM_GETTEXT: case WM_GETTEXTLENGTH: case WM_GETFONT: case WM_SETREDRAW: case WM_COPY:
    case WM_IME_SETCONTEXT: case WM_IME_NOTIFY: case WM_GETOBJECT:
    case EM_GETSEL: case EM_EXGETSEL: case EM_SETSEL: case EM_EXSETSEL: case EM_SCROLLCARET:
    case EM_GETTEXTRANGE: case EM_GETTEXTEX: case EM_GETTEXTLENGTHEX: case EM_GETSELTEXT:
    case EM_LINEFROMCHAR: case EM_EXLINEFROMCHAR: case EM_LINEINDEX: case EM_LINELENGTH: case EM_GETLINE:
    case EM_GETLINECOUNT: case EM_GETFIRSTVISIBLELINE: case EM_POSFROMCHAR: case EM_CHARFROMPOS:
    case EM_GETMODIFY: case EM_SETMODIFY: case EM_CANUNDO: case EM_CANREDO: case EM_CANPASTE:
    case EM_GETEVENTMASK: case EM_GETOPTIONS: case EM_GETLIMITTEXT: case EM_GETRECT: case EM_GETSCROLLPOS:
    case EM_LINESCROLL: case EM_SCROLL: case EM_STREAMOUT: case EM_FINDTEXTW: case EM_FINDTEXTEXW:
    case EM_GETCHARFORMAT: case EM_GETPARAFORMAT: case EM_SELECTIONTYPE: case EM_HIDESELECTION:
    case UWM_GET_SEARCH_COPY:
        return true;
    case WM_KEYDOWN:
        // Keys that only move the caret or scroll.
        switch (wParam) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
        case VK_PRIOR: case VK_NEXT: case VK_SHIFT: case VK_CONTROL: case VK_MENU:
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

constexpr wchar_t kRichEditClassName[] = L"RICHEDIT50W";
constexpr UINT kPlainTextMode = 1;       // TM_PLAINTEXT
constexpr int kEdgeMetric = 46;          // SM_CYEDGE
constexpr DWORD kTwipsPerInch = 1440;
// No limit on what the control holds, so neither a stream-in nor typing is cut off.
constexpr LPARAM kTextLimit = 0x7FFFFFFE;
// Emptying a control in place costs time growing with the square of its text
// (seconds for a mebibyte); above this many units a new control replaces it.
constexpr int kEmptyInPlaceLimit = 64 * 1024;

// The rich edit's own procedure, kept when the superclass is registered.
WNDPROC g_richEditProc = nullptr;
bool g_classRegistered = false;

std::atomic<int32_t> g_untitledCounter{0};
std::atomic<int> g_pixelsPerInch{0};

int ScreenPixelsPerInch() {
    int cached = g_pixelsPerInch.load();
    if (cached > 0) return cached;
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    if (value > 0) g_pixelsPerInch.store(value);
    return value;
}

}  // namespace

const MessageMapEntry<EditView> EditView::kMap[] = {
    BX_MESSAGE(WM_CREATE, OnCreate),
    BX_MESSAGE(WM_DESTROY, OnDestroy),
    BX_MESSAGE(kDestroyRetired, OnDestroyRetired),
    BX_MESSAGE(WM_SETFOCUS, OnSetFocus),
    BX_MESSAGE(WM_SETFONT, OnSetFont),
    BX_MESSAGE(WM_CONTEXTMENU, OnContextMenu),
    BX_MESSAGE(EM_SETREADONLY, OnSetReadOnly),
    BX_MESSAGE(WM_KEYDOWN, OnKeyDown),
    BX_MESSAGE(WM_KEYUP, OnKeyUp),
    BX_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown),
    BX_MESSAGE(WM_LBUTTONUP, OnMovesCaret<WM_LBUTTONUP>),
    BX_MESSAGE(WM_CHAR, OnChar),
    BX_MESSAGE(WM_IME_STARTCOMPOSITION, OnStartComposition),
    BX_MESSAGE(WM_IME_COMPOSITION, OnEditInput<WM_IME_COMPOSITION>),
    BX_MESSAGE(WM_IME_CHAR, OnEditInput<WM_IME_CHAR>),
    BX_MESSAGE(WM_SETTEXT, OnEditInput<WM_SETTEXT>),
    BX_MESSAGE(EM_SETSEL, OnMovesCaret<EM_SETSEL>),
    BX_MESSAGE(EM_REPLACESEL, OnEditInput<EM_REPLACESEL>),
    BX_MESSAGE(EM_UNDO, OnUndoOrRedo<EM_UNDO>),
    BX_MESSAGE(WM_CUT, OnClipboardEdit<WM_CUT>),
    BX_MESSAGE(WM_COPY, OnMovesCaret<WM_COPY>),
    BX_MESSAGE(WM_PASTE, OnClipboardEdit<WM_PASTE>),
    BX_MESSAGE(WM_CLEAR, OnClipboardEdit<WM_CLEAR>),
    BX_MESSAGE(WM_UNDO, OnUndoOrRedo<WM_UNDO>),
    BX_MESSAGE(EM_REDO, OnUndoOrRedo<EM_REDO>),
    BX_MESSAGE(EM_CANUNDO, OnCanUndo),
    BX_MESSAGE(EM_SCROLLCARET, OnScrollCaret),
    BX_MESSAGE(EM_CANREDO, OnCanRedo),
    BX_MESSAGE(UWM_TAKE_REPLACED_TEXT, OnTakeReplacedText),
    BX_MESSAGE(UWM_GET_SEARCH_COPY, OnGetSearchCopy),
    BX_COMMAND(ID_EDIT_FIND, OnFindReplace),
    BX_COMMAND(ID_EDIT_FINDNEXT, OnFindNext),
    BX_COMMAND(ID_INSERT_LONGDATE, OnInsertDateTime),
    BX_COMMAND(ID_INSERT_SHORTDATE, OnInsertDateTime),
    BX_COMMAND(ID_INSERT_TIME, OnInsertDateTime),
    BX_COMMAND(ID_TOOLS_SMS, OnSendSms),
    BX_COMMAND(ID_TOOLS_CALL, OnCallNumber),
    BX_ANY_COMMAND(OnEditCommand),
};

EditView::EditView() { NewDocument(); }

EditView::~EditView() {
    DestroyRetired();
    DestroyDialogs();
}

bool EditView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (searchCopy_.window && !LeavesTextAlone(message, wParam)) DropSearchCopy();
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

bool EditView::OnGetSearchCopy(WPARAM wParam, LPARAM, LRESULT& result) {
    const bool folded = wParam != 0;
    GETTEXTLENGTHEX units{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto length = static_cast<int>(Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&units)));
    if (searchCopy_.window != hwnd_ || searchCopy_.folded != folded || searchCopy_.text.Length() != length) {
        DropSearchCopy();
        wchar_t* data = searchCopy_.text.GetBuffer(length);
        if (!data) {
            result = 0;
            return true;
        }
        TEXTRANGEW range{{0, length}, data};
        const int read = static_cast<int>(Send(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
        if (read != length) {
            searchCopy_.text.ReleaseBuffer(0);
            result = 0;
            return true;
        }
        if (folded && length > 0) CharLowerBuffW(data, static_cast<DWORD>(length));
        searchCopy_.text.ReleaseBuffer(length);
        searchCopy_.window = hwnd_;
        searchCopy_.folded = folded;
    }
    result = reinterpret_cast<LRESULT>(&searchCopy_.text);
    return true;
}

void EditView::DropSearchCopy() {
    searchCopy_.text.Empty();
    searchCopy_.window = nullptr;
}

bool EditView::HandleCommand(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, WM_COMMAND, wParam, lParam, result);
}

// ---- Window class and creation ----------------------------------------------

bool EditView::RegisterViewClass() {
    ModuleLock hold;
    if (g_classRegistered) return true;
    HINSTANCE instance = ProgramInstance();
    WNDCLASSEXW richEdit{};
    richEdit.cbSize = sizeof(richEdit);
    if (!GetClassInfoExW(nullptr, kRichEditClassName, &richEdit) &&
        !GetClassInfoExW(instance, kRichEditClassName, &richEdit)) {
        return false;
    }
    WNDCLASSEXW view = richEdit;
    view.cbSize = sizeof(view);
    view.style &= ~CS_GLOBALCLASS;
    view.lpfnWndProc = WindowBase::StartWindowProc;
    view.hInstance = instance;
    view.lpszClassName = kEditViewClassName;
    if (!RegisterClassExW(&view) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    g_richEditProc = richEdit.lpfnWndProc;
    g_classRegistered = true;
    return true;
}

HWND EditView::CreateViewWindow(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id) {
    baseProc_ = g_richEditProc;
    return CreateBound(exStyle, kEditViewClassName, L"", style, rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                       ProgramInstance(), nullptr);
}

HWND EditView::Create(HWND parent, const RECT& rect, DWORD style, DWORD exStyle) {
    if (hwnd_ || !RegisterViewClass()) return nullptr;
    return CreateViewWindow(parent, rect, style, exStyle, 0);
}

// ---- Messages -----------------------------------------------------------------

void EditView::NotifyPosition() const {
    if (HWND parent = GetParent(hwnd_)) SendMessageW(parent, UWM_UPDATE_POSITION, 0, 0);
}

bool EditView::OnCreate(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(WM_CREATE, wParam, lParam);
    if (result == -1) return true;
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    bool readOnly = (create->style & ES_READONLY) != 0;
    Send(EM_SETBKGNDCOLOR, 0, GetSysColor(readOnly ? COLOR_BTNFACE : COLOR_WINDOW));
    Send(EM_SETTEXTMODE, kPlainTextMode);
    Send(EM_EXLIMITTEXT, 0, kTextLimit);
    return true;
}

bool EditView::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    // The replaced and kept controls go with the view, before their handles can be reused.
    DropHistory();
    DestroyRetired();
    return false;
}

bool EditView::OnDestroyRetired(WPARAM, LPARAM, LRESULT& result) {
    DestroyRetired();
    result = 0;
    return true;
}

bool EditView::OnSetFocus(WPARAM, LPARAM, LRESULT&) {
    if (HIMC context = ImmGetContext(hwnd_)) {
        ImmSetOpenStatus(context, TRUE);
        ImmReleaseContext(hwnd_, context);
    }
    return false;
}

bool EditView::OnSetFont(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    font_ = reinterpret_cast<HFONT>(wParam);
    LRESULT modified = Send(EM_GETMODIFY);
    result = DefaultProc(WM_SETFONT, wParam, lParam);
    Send(EM_SETMODIFY, modified ? TRUE : FALSE);
    return true;
}

bool EditView::OnContextMenu(WPARAM, LPARAM lParam, LRESULT& result) {
    ShowContextMenu(lParam);
    result = 0;
    return true;
}

void EditView::ShowContextMenu(LPARAM point) {
    HMENU menu = LoadEditMenu();
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    // The frame applies the command states to the popup.
    if (HWND parent = GetParent(hwnd_)) SendMessageW(parent, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    ShowPopupAt(popup, point, hwnd_);
    DestroyMenu(menu);
}

bool EditView::OnSetReadOnly(WPARAM wParam, LPARAM, LRESULT&) {
    Send(EM_SETBKGNDCOLOR, 0, GetSysColor(wParam ? COLOR_BTNFACE : COLOR_WINDOW));
    return false;
}

bool EditView::OnKeyDown(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!EditKeyDown(wParam, lParam, result)) result = DefaultProc(WM_KEYDOWN, wParam, lParam);
    KeyRepeatAcceleration(static_cast<UINT>(wParam));
    return true;
}

bool EditView::EditKeyDown(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    // Ctrl+Z and Ctrl+Y are undo and redo, as the control's own keys are.
    if (control && (wParam == 'Z' || wParam == 'Y')) {
        result = wParam == 'Z' ? UndoEdit(EM_UNDO, 0, 0) : RedoEdit(EM_REDO, 0, 0);
        NotifyPosition();
        return true;
    }
    WholeTextEdit edit = WholeTextEdit::Typing;
    if (wParam == VK_DELETE || wParam == VK_BACK) {
        edit = WholeTextEdit::Delete;
    } else if (control && wParam == 'X') {
        edit = WholeTextEdit::Cut;
    } else if (control && wParam == 'V') {
        edit = WholeTextEdit::Paste;
    } else if (wParam != VK_RETURN) {
        return false;
    }
    if (ReplaceWholeText(edit)) {
        // Enter over the whole text goes on as a key in the new control.
        result = edit == WholeTextEdit::Typing ? DefaultProc(WM_KEYDOWN, wParam, lParam) : 0;
        return true;
    }
    EditInputStarts();
    result = DefaultProc(WM_KEYDOWN, wParam, lParam);
    EditInputEnded();
    return true;
}

bool EditView::OnChar(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // Only these characters edit the text; the others are keys' by-products.
    const bool edits = wParam >= L' ' || wParam == L'\t';
    if (edits && !ReplaceWholeText(WholeTextEdit::Typing)) EditInputStarts();
    result = DefaultProc(WM_CHAR, wParam, lParam);
    if (edits) EditInputEnded();
    return true;
}

bool EditView::OnStartComposition(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The control deletes the selection as a step of its own when a composition starts.
    if (!ReplaceWholeText(WholeTextEdit::Delete)) EditInputStarts();
    result = DefaultProc(WM_IME_STARTCOMPOSITION, wParam, lParam);
    return true;
}

template <UINT Message>
bool EditView::OnEditInput(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    EditInputStarts();
    result = DefaultProc(Message, wParam, lParam);
    EditInputEnded();
    NotifyPosition();
    return true;
}

template <UINT Message>
bool EditView::OnClipboardEdit(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    constexpr WholeTextEdit edit = Message == WM_CUT     ? WholeTextEdit::Cut
                                   : Message == WM_PASTE ? WholeTextEdit::Paste
                                                         : WholeTextEdit::Delete;
    if (ReplaceWholeText(edit)) {
        result = 0;
        return true;
    }
    CHARRANGE selection{};
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    OnEditInput<Message>(wParam, lParam, result);
    // The control's own delete and cut leave the modified flag as it was.
    if (Message != WM_PASTE && selection.cpMax > selection.cpMin && !(GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY)) {
        Send(EM_SETMODIFY, TRUE);
    }
    return true;
}

bool EditView::OnScrollCaret(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(EM_SCROLLCARET, wParam, lParam);
    const int lineHeight = LineHeight();
    if (shownHeight_ <= 0 || lineHeight <= 0) return true;
    CHARRANGE selection{};
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINTL caret{};
    Send(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), selection.cpMax);
    // The control counts all of its height as in view; below what is shown,
    // the caret's line is scrolled up into the shown part.
    const int below = static_cast<int>(caret.y) + lineHeight - shownHeight_;
    if (below > 0) Send(EM_LINESCROLL, 0, (below + lineHeight - 1) / lineHeight);
    return true;
}

bool EditView::OnCanUndo(WPARAM, LPARAM, LRESULT& result) {
    result = CanUndoEdit() ? TRUE : FALSE;
    return true;
}

bool EditView::OnCanRedo(WPARAM, LPARAM, LRESULT& result) {
    result = CanRedoEdit() ? TRUE : FALSE;
    return true;
}

bool EditView::OnKeyUp(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(WM_KEYUP, wParam, lParam);
    NotifyPosition();
    keyRepeatStart_ = 0;
    return true;
}

bool EditView::OnLButtonDown(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (IsTapAndHold(hwnd_, lParam)) {
        result = 0;
        return true;
    }
    result = DefaultProc(WM_LBUTTONDOWN, wParam, lParam);
    NotifyPosition();
    return true;
}

template <UINT Message>
bool EditView::OnMovesCaret(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = DefaultProc(Message, wParam, lParam);
    NotifyPosition();
    return true;
}

bool EditView::OnUndoRedo(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = message == EM_REDO ? RedoEdit(message, wParam, lParam) : UndoEdit(message, wParam, lParam);
    NotifyPosition();
    return true;
}

void EditView::FollowSavedText() {
    // Another length settles it without reading the text.
    GETTEXTLENGTHEX units{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto length = static_cast<int64_t>(Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&units)));
    WideString text;
    bool same = length == savedDigest_.length && ReadControlText(text) &&
                RewriteLineBreaks(text, LineBreak::Cr, true) && DigestOf(text) == savedDigest_;
    Send(EM_SETMODIFY, same ? FALSE : TRUE);
}

// The text's breaks are single CRs already.
EditView::TextDigest EditView::DigestOf(const WideString& text) {
    return TextDigest{text.Length(), HashUnits(text.c_str(), text.Length())};
}

bool EditView::OnInsertDateTime(WPARAM wParam, LPARAM, LRESULT& result) {
    InsertDateTime(LOWORD(wParam));
    result = 0;
    return true;
}

bool EditView::InsertDateTime(UINT id) {
    // The command is disabled while read-only; an accelerator must not get round that.
    if (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[256];
    int length = 0;
    if (id == ID_INSERT_TIME) {
        length = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, 256);
    } else {
        DWORD form = id == ID_INSERT_SHORTDATE ? DATE_SHORTDATE : DATE_LONGDATE;
        length = GetDateFormatW(LOCALE_USER_DEFAULT, form, &now, nullptr, text, 256);
    }
    if (length <= 0) return false;
    // wParam FALSE: the insertion is not offered for undo.
    Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    return true;
}

bool EditView::OnEditCommand(WPARAM wParam, LPARAM, LRESULT& result) {
    if (!RunEditCommand(hwnd_, LOWORD(wParam), true)) return false;
    result = 0;
    return true;
}

// ---- Command states -----------------------------------------------------------

void EditView::UpdateCommandUI(CommandStateSink& sink) const {
    EditState state = ReadEditState(hwnd_);
    bool writable = !state.readOnly;
    sink.Enable(ID_INSERT_LONGDATE, writable);
    sink.Enable(ID_INSERT_SHORTDATE, writable);
    sink.Enable(ID_INSERT_TIME, writable);
    sink.Check(ID_VIEW_READONLY, state.readOnly);
    sink.Check(ID_VIEW_WORDWRAP, state.wordWrap);
    sink.Enable(ID_EDIT_CUT, state.selection && writable);
    sink.Enable(ID_EDIT_COPY, state.selection);
    sink.Enable(ID_EDIT_CLEAR, state.selection && writable);
    sink.Enable(ID_EDIT_UNDO, writable && state.canUndo);
    sink.Enable(ID_EDIT_REDO, writable && state.canRedo);
    sink.Enable(ID_EDIT_PASTE, writable && state.clipboardText);
    sink.Enable(ID_EDIT_SELECTMODE, state.text);
    sink.Enable(ID_EDIT_SELECT_ALL, state.text);
    sink.Enable(ID_TOOLS_CALL, state.selection);
}

// ---- Documents ----------------------------------------------------------------

bool EditView::ReadControlText(WideString& text) { return StreamControlOut(hwnd_, text); }

bool EditView::FillControl(const WideString& text, StreamProgress* progress) {
    DropSearchCopy();
    return PutControlText(hwnd_, baseProc_, text, progress);
}

bool EditView::HoldsLongText() const { return GetWindowTextLengthW(hwnd_) > kEmptyInPlaceLimit; }

void EditView::RetireControl(HWND old) {
    // Nothing it does on its way out reaches the frame.
    SendMessageW(old, EM_SETEVENTMASK, 0, 0);
    ShowWindow(old, SW_HIDE);
    retired_ = old;
    PostMessageW(hwnd_, kDestroyRetired, 0, 0);
}

void EditView::DestroyRetired() {
    HWND old = retired_;
    retired_ = nullptr;
    if (old && IsWindow(old)) DestroyWindow(old);
    std::vector<HWND> dropped;
    dropped.swap(dropped_);
    for (HWND window : dropped) {
        if (IsWindow(window)) DestroyWindow(window);
    }
}

WNDPROC EditView::RichEditProc() { return g_richEditProc; }

void EditView::ParkLongText() {
    if (retired_) ParkWindow(retired_);
    retired_ = nullptr;
    for (HWND window : dropped_) ParkWindow(window);
    dropped_.clear();
    for (auto* kept : {&before_, &after_}) {
        for (const KeptControl& control : *kept) ParkWindow(control.window);
        kept->clear();
    }
    if (!hwnd_ || !HoldsLongText()) return;
    HWND control = hwnd_;
    Send(EM_SETEVENTMASK, 0, 0);
    Detach(g_richEditProc);
    ParkWindow(control);
}

DWORD EditView::ViewStyle(bool wrap) const {
    // The live style may have lost a hidden scroll bar's bit: the view's style
    // for the word wrap is taken whole, and only read-only carries over.
    DWORD live = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    return (wrap ? kEditViewWrapStyle : kEditViewNoWrapStyle) | (live & ES_READONLY);
}

EditView::ControlPlace EditView::TakePlace() const {
    ControlPlace place;
    place.parent = GetParent(hwnd_);
    place.exStyle = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE));
    place.id = static_cast<UINT>(GetDlgCtrlID(hwnd_));
    GetWindowRect(hwnd_, &place.rect);
    MapWindowPoints(nullptr, place.parent, reinterpret_cast<POINT*>(&place.rect), 2);
    place.above = GetWindow(hwnd_, GW_HWNDPREV);
    place.eventMask = Send(EM_GETEVENTMASK);
    place.limit = Send(EM_GETLIMITTEXT);
    place.focused = GetFocus() == hwnd_;
    return place;
}

bool EditView::CreateInPlace(const ControlPlace& place, DWORD style) {
    if (!CreateViewWindow(place.parent, place.rect, style, place.exStyle, place.id)) return false;
    if (font_) Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    Send(EM_SETEVENTMASK, 0, place.eventMask);
    Send(EM_EXLIMITTEXT, 0, place.limit);
    SetWindowPos(hwnd_, place.above ? place.above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (place.focused) SetFocus(hwnd_);
    return true;
}

bool EditView::RecreateControl(DWORD style) {
    DestroyRetired();
    ControlPlace place = TakePlace();
    HWND old = hwnd_;
    // The old control keeps its text to the end, under its own procedure alone.
    Detach(g_richEditProc);
    if (!CreateInPlace(place, style)) {
        Subclass(old);
        return false;
    }
    RetireControl(old);
    madeBeside_ = true;
    return true;
}

bool EditView::ReplaceControl(DWORD style, DWORD fallbackStyle) {
    DestroyRetired();
    ControlPlace place = TakePlace();
    DestroyWindow(hwnd_);
    madeBeside_ = false;
    return CreateInPlace(place, style) || (fallbackStyle != style && CreateInPlace(place, fallbackStyle));
}

bool EditView::LongTextAround() const {
    if (HoldsLongText()) return true;
    for (const auto* kept : {&before_, &after_}) {
        for (const KeptControl& control : *kept) {
            if (control.units > kEmptyInPlaceLimit) return true;
        }
    }
    return false;
}

bool EditView::CreateFilled(const ControlPlace& place, DWORD style, const WideString& text,
                            StreamProgress* progress) {
    if (!CreateInPlace(place, style)) return false;
    if (FillControl(text, progress)) return true;
    HWND made = hwnd_;
    Detach(RichEditProc());
    DestroyWindow(made);
    return false;
}

bool EditView::FillBeside(const WideString& text, DWORD style, LoadProgress& progress) {
    DestroyRetired();
    ControlPlace place = TakePlace();
    place.readOnly = (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
    ControlPlace hidden = place;
    hidden.focused = false;
    // The bar goes over the view's place, which the new control takes.
    progress.Track(hwnd_);
    progress.SetCancellable(true);
    // The document stays shown, and whole, while the new text goes in.
    KeptControl old = DetachCurrent();
    if (!CreateFilled(hidden, style & ~WS_VISIBLE, text, &progress)) {
        if (progress.Cancelled()) lastLoad_ = LoadEnd::Cancelled;
        ShowKept(old, place);
        return false;
    }
    // The caret goes to the start while the control is hidden: scrolling
    // there once it is shown paints it at once, which walks every paragraph.
    Send(EM_SETSEL, 0, 0);
    Hide(old);
    progress.Redirect(old.window, hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (place.focused) SetFocus(hwnd_);
    // The old document's undo steps go with it.
    DropHistory();
    RetireControl(old.window);
    madeBeside_ = false;
    return true;
}

bool EditView::FillInPlace(const WideString& text, DWORD style, LoadProgress& progress) {
    // The document goes before the new text comes: there is nothing to go back to.
    progress.SetCancellable(false);
    DropHistory();
    DestroyRetired();
    if (HoldsLongText() || madeBeside_ || WrapsUnlike(style)) {
        const HWND old = hwnd_;
        if (!ReplaceControl(style, style)) return false;
        progress.Redirect(old, hwnd_);
    }
    progress.Track(hwnd_);
    if (FillControl(text, &progress)) return true;
    // The control holds only part of the file: never let that pass for the
    // file's text, which a save could then cut short.
    NewDocument();
    return false;
}

bool EditView::LoadDocument(const wchar_t* path, TextEncoding encoding) {
    lastLoad_ = LoadEnd::Failed;
    if (!hwnd_) return false;
    WaitCursor wait;
    LoadProgress progress(tickSource_);
    // The bar goes over the view's place while the file is read.
    progress.Track(hwnd_);
    PreparedText prepared;
    PrepareTextAside(path, encoding, kLongestLine, prepared, progress);
    if (prepared.result == PreparedText::Result::Cancelled) lastLoad_ = LoadEnd::Cancelled;
    if (prepared.result == PreparedText::Result::LineTooLong) lastLoad_ = LoadEnd::LineTooLong;
    if (prepared.result != PreparedText::Result::Ready) return false;
    const WideString& text = prepared.text;
    // A long text fills a new control while the document stays: Esc or Back
    // then gives the load up with the document as it was. Only when there is
    // no room for two long texts does the old one go first.
    const bool declined = wrapDeclined_;
    const DWORD style = StyleForText(text);
    bool filled = false;
    if (text.Length() > kWholeTextLimit) {
        filled = FillBeside(text, style, progress);
        if (!filled && (lastLoad_ == LoadEnd::Cancelled || !LongTextAround())) {
            // The document stays, and so does its word wrap.
            wrapDeclined_ = declined;
            return false;
        }
    }
    if (!filled && !FillInPlace(text, style, progress)) return false;
    path_ = path;
    encoding_ = prepared.encoding;
    writeBom_ = prepared.hasBom;
    lineBreak_ = prepared.breaks.style;
    mixedBreaks_ = prepared.breaks.mixed;
    loadedExactly_ = prepared.facts.exact;
    standIns_ = prepared.facts.standIns;
    oddByte_ = prepared.facts.oddByte;
    changesAccepted_ = false;
    savedDigest_ = TextDigest{text.Length(), prepared.hash};
    ++savedTexts_;
    stamp_ = prepared.facts.stamp;
    StartAtTop(false);
    lastLoad_ = LoadEnd::Loaded;
    return true;
}

void EditView::StartAtTop(bool modified) {
    Send(EM_EMPTYUNDOBUFFER);
    Send(EM_SETSEL, 0, 0);
    Send(EM_SCROLLCARET);
    Send(EM_SETMODIFY, modified ? TRUE : FALSE);
}

bool EditView::SaveDocument(const wchar_t* path, TextEncoding encoding) {
    if (!hwnd_) return false;
    WideString target = (path && *path) ? WideString(path) : path_;
    if (encoding == TextEncoding::AutoDetect) encoding = encoding_;
    // A document saved in another encoding gets a BOM when that encoding has one.
    if (encoding != encoding_) writeBom_ = true;
    WaitCursor wait;
    WideString text;
    // A text the control did not hand over whole is never written.
    if (!ReadControlText(text)) return false;
    // The text as the control holds it, for telling later whether undo came back to it.
    WideString shown = text;
    if (!RewriteLineBreaks(shown, LineBreak::Cr, true)) return false;
    TextDigest digest = DigestOf(shown);
    shown.Empty();
    if (!RewriteLineBreaks(text, lineBreak_, true)) return false;
    FileStamp stamp;
    if (!SaveTextFile(target.c_str(), text, encoding, writeBom_, &stamp)) return false;
    path_ = target;
    encoding_ = encoding;
    // The file now holds exactly what the text gives, in one kind of break.
    loadedExactly_ = true;
    standIns_ = 0;
    oddByte_ = false;
    mixedBreaks_ = false;
    savedDigest_ = digest;
    ++savedTexts_;
    stamp_ = stamp;
    Send(EM_SETMODIFY, FALSE);
    return true;
}

bool EditView::SaveWouldChangeFile(TextEncoding encoding, SaveChanges& changes) {
    changes = SaveChanges{};
    if (changesAccepted_ || (loadedExactly_ && !mixedBreaks_)) return false;
    changes.breaksUnified = mixedBreaks_;
    changes.style = lineBreak_;
    if (loadedExactly_) return true;
    changes.standIns = standIns_;
    changes.oddByte = oddByte_;
    // The encoding the save will use, found the way the save finds it.
    if (encoding == TextEncoding::AutoDetect) encoding = encoding_;
    TextEncoding used = encoding;
    bool bom = writeBom_;
    ByteString bomBytes;
    ByteString body;
    WideString text;
    if (hwnd_ && ReadControlText(text) && EncodeText(text, CP_ACP, used, bom, bomBytes, body)) {
        changes.toUtf16 = used == TextEncoding::Utf16 && encoding != TextEncoding::Utf16;
    }
    changes.otherBytes = changes.standIns == 0 && !changes.oddByte && !changes.toUtf16;
    return true;
}

void EditView::NewDocument() {
    int32_t number = g_untitledCounter.fetch_add(1) + 1;
    if (!path_.FormatId(IDS_UNTITLED, number)) path_.Empty();
    writeBom_ = true;
    encoding_ = TextEncoding::Ansi;
    lineBreak_ = LineBreak::CrLf;
    loadedExactly_ = true;
    standIns_ = 0;
    oddByte_ = false;
    mixedBreaks_ = false;
    changesAccepted_ = false;
    savedDigest_ = DigestOf(WideString());
    ++savedTexts_;
    stamp_ = FileStamp{};
    keyRepeatStart_ = 0;
    if (!hwnd_) return;
    DropHistory();
    if (HoldsLongText() && RecreateControl(ViewStyle(IsWordWrapped()))) {
        Send(EM_SETREADONLY, FALSE);
        return;
    }
    Send(EM_SETREADONLY, FALSE);
    Send(WM_SETREDRAW, FALSE);
    Send(EM_SETSEL, 0, -1);
    Send(EM_SCROLLCARET);
    Send(WM_CLEAR);
    Send(EM_SETSEL, 0, 0);
    Send(EM_SCROLLCARET);
    Send(WM_SETREDRAW, TRUE);
    InvalidateRect(hwnd_, nullptr, TRUE);
    Send(EM_EMPTYUNDOBUFFER);
    Send(EM_SETMODIFY, FALSE);
}

bool EditView::WrapsUnlike(DWORD style) const { return IsWordWrapped() != ((style & ES_WANTRETURN) != 0); }

DWORD EditView::StyleForText(const WideString& text) {
    bool wrap = WrapWanted();
    wrapDeclined_ = wrap && HasLineLongerThan(text.c_str(), text.Length(), kLongestWrappedLine);
    return ViewStyle(wrap && !wrapDeclined_);
}

HWND EditView::SetWordWrap(bool on) {
    if (!hwnd_) return nullptr;
    wrapDeclined_ = false;
    bool modified = Send(EM_GETMODIFY) != 0;
    WideString text;
    // Without the whole text in hand the window is not replaced: word wrap
    // stays as it was rather than the text being cut short.
    if (!ReadControlText(text) || !RewriteLineBreaks(text, LineBreak::Cr, true)) return hwnd_;
    if (on && HasLineLongerThan(text.c_str(), text.Length(), kLongestWrappedLine)) {
        wrapDeclined_ = true;
        return hwnd_;
    }
    DropHistory();
    DestroyRetired();
    CHARRANGE selection{};
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // Should the new style fail, the old one still gives the text a home.
    if (!ReplaceControl(ViewStyle(on), ViewStyle(!on))) return nullptr;
    FillControl(text);
    Send(EM_FMTLINES, on ? TRUE : FALSE);
    // The same text: the selection stays where it was, in sight, and the
    // scroll bars follow the new layout.
    Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    Send(EM_SCROLLCARET);
    Send(EM_SETMODIFY, modified ? TRUE : FALSE);
    return hwnd_;
}

bool EditView::IsWordWrapped() const {
    return (GetWindowLongW(hwnd_, GWL_STYLE) & ES_WANTRETURN) != 0;
}

// ---- Held keys ----------------------------------------------------------------

int EditView::LineHeight() const {
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_SIZE;
    if (!Send(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format)) || format.yHeight == 0) return 0;
    int64_t pixels = static_cast<int64_t>(ScreenPixelsPerInch()) * format.yHeight / kTwipsPerInch;
    return static_cast<int>(pixels) + GetSystemMetrics(kEdgeMetric);
}

void EditView::KeyRepeatAcceleration(UINT key) {
    if (key != VK_UP && key != VK_DOWN) return;
    DWORD now = tickSource_();
    if (keyRepeatStart_ == 0) {
        keyRepeatStart_ = now;
        return;
    }
    if (now <= keyRepeatStart_) return;
    uint64_t steps = (now - keyRepeatStart_) / 100;
    uint64_t moves = steps * steps;
    int extra = moves > INT32_MAX ? INT32_MAX : static_cast<int>(moves);
    int pages = 0;
    int lineHeight = LineHeight();
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (lineHeight >= 1) {
        int linesPerPage = (client.bottom - client.top) / lineHeight;
        if (linesPerPage >= 1) {
            pages = extra / linesPerPage;
            extra -= pages * linesPerPage;
        }
    }
    SendKeyBurst(key == VK_DOWN ? VK_NEXT : VK_PRIOR, pages);
    SendKeyBurst(key, extra);
    NotifyPosition();
}

void EditView::PressKey(UINT key) {
    CallWindowProcW(baseProc_, hwnd_, WM_KEYDOWN, key, 0);
    CallWindowProcW(baseProc_, hwnd_, WM_KEYUP, key, 0);
}

void EditView::SendKeyBurst(UINT key, int count) {
    if (count <= 0 || !hwnd_) return;
    HWND self = hwnd_;
    int lineCount = static_cast<int>(Send(EM_GETLINECOUNT));
    int line = 0;
    int column = 0;
    CaretPosition(self, line, column);
    bool upwards = key == VK_PRIOR || key == VK_UP;
    bool downwards = key == VK_NEXT || key == VK_DOWN;
    for (int i = 0; i < count; ++i) {
        PressKey(key);
        if ((upwards && line <= 1) || (downwards && line >= lineCount)) return;
        MSG message;
        while (PeekMessageW(&message, self, 0, 0, PM_NOREMOVE)) {
            // A released key ends the burst and stays queued for its normal handling.
            if (message.message == WM_KEYUP) return;
            if (!PeekMessageW(&message, self, 0, 0, PM_REMOVE)) break;
            TranslateMessage(&message);
            DispatchMessageW(&message);
            if (hwnd_ != self) return;
        }
    }
}

}  // namespace brevitex
