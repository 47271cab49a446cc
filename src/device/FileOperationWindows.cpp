// The file operation's question and progress windows, built from in-memory
// dialog templates and placed over their owner on the device screen.
#include "device/FileOperationWindows.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "common/WideString.h"
#include "device/DeviceShell.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

constexpr int kTextId = 100;
constexpr int kProgressId = 101;
constexpr int kItemId = 102;
constexpr int kIconId = 103;

// A DLGTEMPLATE with its items, laid out word by word.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, short width, short height, DWORD style) {
        Align();
        DWORD fullStyle = style | DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        PutDword(fullStyle);
        PutDword(0);  // extended style
        countAt_ = words_.size();
        words_.push_back(0);  // item count, filled in as items come
        PutShort(0);
        PutShort(0);
        PutShort(width);
        PutShort(height);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the dialog class
        PutText(caption);
        words_.push_back(9);
        PutText(L"MS Shell Dlg");
    }

    // An item of a predefined class (its atom) or of a registered class (its name).
    void Add(WORD id, WORD atom, const wchar_t* text, DWORD style, short x, short y, short cx, short cy) {
        PutItemHead(id, style, x, y, cx, cy);
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        PutItemTail(text);
    }

    void AddClass(WORD id, const wchar_t* className, const wchar_t* text, DWORD style, short x, short y, short cx,
                  short cy) {
        PutItemHead(id, style, x, y, cx, cy);
        PutText(className);
        PutItemTail(text);
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void PutItemHead(WORD id, DWORD style, short x, short y, short cx, short cy) {
        Align();
        PutDword(style | WS_CHILD | WS_VISIBLE);
        PutDword(0);
        PutShort(x);
        PutShort(y);
        PutShort(cx);
        PutShort(cy);
        words_.push_back(id);
    }
    void PutItemTail(const wchar_t* text) {
        PutText(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }
    void Align() {
        if (words_.size() % 2) words_.push_back(0);
    }
    void PutDword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void PutShort(short value) { words_.push_back(static_cast<WORD>(value)); }
    void PutText(const wchar_t* text) {
        for (const wchar_t* c = text ? text : L""; *c; ++c) words_.push_back(static_cast<WORD>(*c));
        words_.push_back(0);
    }

    // Words, not bytes: the template must start on a DWORD boundary, which the
    // vector's allocation gives.
    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;

WideString LoadedText(UINT id) {
    WideString text;
    text.Load(id);
    return text;
}

INT_PTR CALLBACK QuestionProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        DevicePlaceOverOwner(window, GetWindow(window, GW_OWNER));
        SendDlgItemMessageW(window, kIconId, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
        // The default button (No) takes the focus.
        SetFocus(GetDlgItem(window, static_cast<int>(lParam)));
        return FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDYES || id == kIdYesToAll || id == IDNO || id == IDCANCEL) EndDialog(window, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int ShowYesToAllQuestion(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    // Text lines are measured roughly: a line of about 30 characters beside the icon.
    int lines = 1;
    int column = 0;
    for (const wchar_t* c = text ? text : L""; *c; ++c) {
        if (*c == L'\n' || ++column > 30) {
            ++lines;
            column = 0;
        }
    }
    const short textHeight = static_cast<short>((std::max)((std::min)(lines, 12) * 10, 20));
    const short height = static_cast<short>(textHeight + 36);
    int defaultId = IDNO;
    if ((type & MB_DEFMASK) == MB_DEFBUTTON1) defaultId = IDYES;
    if ((type & MB_DEFMASK) == MB_DEFBUTTON2) defaultId = kIdYesToAll;
    if ((type & MB_DEFMASK) == MB_DEFBUTTON4) defaultId = IDCANCEL;
    DialogTemplate dialog(caption, 200, height, 0);
    dialog.Add(kIconId, kStaticAtom, L"", SS_ICON, 7, 7, 20, 20);
    dialog.Add(kTextId, kStaticAtom, text, SS_LEFT | SS_NOPREFIX, 34, 7, 159, textHeight);
    const WORD ids[] = {IDYES, static_cast<WORD>(kIdYesToAll), IDNO, IDCANCEL};
    const UINT texts[] = {IDS_FILEOP_YES, IDS_FILEOP_YES_TO_ALL, IDS_FILEOP_NO, IDS_FILEOP_CANCEL};
    for (int i = 0; i < 4; ++i) {
        const DWORD style = WS_TABSTOP | (ids[i] == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        dialog.Add(ids[i], kButtonAtom, LoadedText(texts[i]), style, static_cast<short>(7 + i * 47),
                   static_cast<short>(textHeight + 14), 44, 14);
    }
    INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, QuestionProc, defaultId);
    return answer > 0 ? static_cast<int>(answer) : IDCANCEL;
}

FileProgressWindow::~FileProgressWindow() {
    if (owner_ && ownerWasEnabled_) EnableWindow(owner_, TRUE);
    if (window_) DestroyWindow(window_);
}

bool FileProgressWindow::Show(HWND owner, const wchar_t* caption) {
    if (window_) return true;
    DialogTemplate dialog(caption, 200, 62, WS_VISIBLE);
    dialog.Add(kItemId, kStaticAtom, L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 7, 7, 186, 10);
    dialog.AddClass(kProgressId, PROGRESS_CLASSW, L"", 0, 7, 21, 186, 10);
    dialog.Add(IDCANCEL, kButtonAtom, LoadedText(IDS_FILEOP_CANCEL), WS_TABSTOP | BS_DEFPUSHBUTTON, 75, 39, 50, 14);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, DialogProc,
                                         reinterpret_cast<LPARAM>(this));
    if (!window_) return false;
    DevicePlaceOverOwner(window_, owner);
    // While the work goes on the owner takes no input, as under a modal dialog.
    if (owner && IsWindowEnabled(owner)) {
        owner_ = owner;
        ownerWasEnabled_ = true;
        EnableWindow(owner, FALSE);
    }
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

void FileProgressWindow::Update(const wchar_t* item, int done, int total) {
    if (!window_) return;
    SetDlgItemTextW(window_, kItemId, item ? item : L"");
    HWND bar = GetDlgItem(window_, kProgressId);
    SendMessageW(bar, PBM_SETRANGE32, 0, total > 0 ? total : 1);
    SendMessageW(bar, PBM_SETPOS, total > 0 ? done : 0, 0);
}

INT_PTR CALLBACK FileProgressWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<FileProgressWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && self) {
        self->cancelled_ = true;
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        return TRUE;
    }
    return FALSE;
}

}  // namespace brevitex
