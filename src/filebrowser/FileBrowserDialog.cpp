// The Open / Save As dialog: initialisation of its controls, the folder
// drop-down, the accept test with the extension and overwrite rules, view
// modes, Go to and Up, the file commands and the menu states.
#include "filebrowser/FileBrowserDialog.h"

#include <windowsx.h>

#include <cwchar>
#include <initializer_list>

#include "common/Module.h"
#include "device/DeviceShell.h"
#include "dialogs/DialogFrame.h"
#include "filebrowser/FileCommands.h"
#include "resources/resource.h"

namespace brevitex {

namespace {

constexpr DWORD kListExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE;  // 0x60
constexpr UINT kOverwritePrompt = MB_YESNO | MB_ICONQUESTION;
constexpr UINT kNameTooLongBox = MB_OK | MB_ICONEXCLAMATION;
// The longest name a folder entry takes, and the longest path.
constexpr size_t kNameUnits = 255;
constexpr size_t kLongestPath = 32000;
// Posted to give the list the focus after a tap in the tree.
constexpr UINT kFocusListMessage = WM_APP + 0x41;
// The label of the name box, hidden with it in Open mode.
constexpr int kNameLabelId = 1005;
// Repaints dispatched after a folder change, at most (a window that never
// validates must not hold the dialog).
constexpr int kMaxPendingPaints = 256;

SRWLOCK g_hookLock = SRWLOCK_INIT;
FileBrowserHook g_hook = nullptr;
void* g_hookContext = nullptr;

bool IsFolder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsExistingFile(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ShowBox(HWND owner, UINT textId, UINT type) {
    WideString text;
    if (!text.Load(textId)) return 0;
    return DeviceMessageBox(owner, text, ApplicationTitle(), type);
}

RECT ChildRect(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

const LayoutRow FileBrowserDialog::kLayoutTable[] = {
    {IDC_FB_FOLDER, kLayoutStretchX},
    {IDC_FB_TYPE, kLayoutStretchX},
    {IDC_FB_ENCODING, kLayoutStretchX},
    {IDC_FB_TREE, kLayoutStretchX | kLayoutStretchY},
    {IDC_FB_LIST, kLayoutStretchX | kLayoutStretchY},
    {IDC_FB_NAME, kLayoutStretchX},
    {IDC_FB_UP, kLayoutMoveX},
    {IDOK, kLayoutMoveX},
    {IDCANCEL, kLayoutMoveX},
    kLayoutEnd,
};

const MessageMapEntry<FileBrowserDialog> FileBrowserDialog::kMap[] = {
    BX_MESSAGE(WM_INITDIALOG, OnInitDialog),
    BX_COMMAND(IDOK, OnOkOrCancel),
    BX_COMMAND(IDCANCEL, OnOkOrCancel),
    BX_COMMAND_CODE(IDC_FB_TYPE, CBN_SELCHANGE, OnTypeChange),
    BX_COMMAND(IDC_FB_UP, OnUp),
    BX_COMMAND(ID_FB_VIEW_ICON, OnViewMode),
    BX_COMMAND(ID_FB_VIEW_DETAILS, OnViewMode),
    BX_COMMAND(ID_FB_VIEW_SMALLICON, OnViewMode),
    BX_COMMAND(ID_FB_VIEW_LIST, OnViewMode),
    BX_COMMAND(ID_FB_GO_DEVICE, OnGoTo),
    BX_COMMAND(ID_FB_GO_DOCUMENTS, OnGoTo),
    BX_COMMAND(ID_FB_GO_CARD, OnGoTo),
    BX_COMMAND(ID_FB_DELETE, OnDelete),
    BX_COMMAND(ID_FB_RENAME, OnRename),
    BX_COMMAND(ID_EDIT_COPY, OnCutOrCopy),
    BX_COMMAND(ID_EDIT_CUT, OnCutOrCopy),
    BX_COMMAND(ID_EDIT_PASTE, OnPaste),
    BX_NOTIFY(IDC_FB_TREE, TVN_SELCHANGEDW, OnTreeSelChanged),
    BX_NOTIFY(IDC_FB_TREE, NM_CLICK, OnTreeClick),
    BX_NOTIFY(IDC_FB_TREE, NM_RETURN, OnTreeReturn),
    BX_NOTIFY(IDC_FB_TREE, NM_KILLFOCUS, OnTreeKillFocus),
    BX_NOTIFY(IDC_FB_LIST, LVN_ITEMCHANGED, OnListItemChanged),
    BX_NOTIFY(IDC_FB_LIST, LVN_ITEMACTIVATE, OnListItemActivate),
    BX_NOTIFY(IDC_FB_LIST, NM_SETFOCUS, OnListSetFocus),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_MESSAGE(WM_SIZE, OnSize),
    BX_MESSAGE(WM_CONTEXTMENU, OnContextMenu),
    BX_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup),
    BX_MESSAGE(kFocusListMessage, OnFocusList),
};

FileBrowserDialog::FileBrowserDialog(BrowseMode mode, const wchar_t* initialPath, const wchar_t* filter)
    : mode_(mode == BrowseMode::SaveAs ? BrowseMode::SaveAs : BrowseMode::Open), filter_(filter) {
    if (initialPath) path_ = initialPath;
}

void FileBrowserDialog::SetChoice(const wchar_t* path, TextEncoding encoding) {
    path_ = path ? path : L"";
    encoding_ = encoding;
}

void SetFileBrowserHook(FileBrowserHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_hook = hook;
    g_hookContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

INT_PTR FileBrowserDialog::Run(HWND owner) {
    AcquireSRWLockShared(&g_hookLock);
    FileBrowserHook hook = g_hook;
    void* context = g_hookContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) {
        if (INT_PTR answer = hook(*this, owner, context)) return answer;
    }
    return DoModal(owner, IDD_FILE_BROWSER, ProgramInstance());
}

bool FileBrowserDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

// ---- Initialisation ---------------------------------------------------------------

bool FileBrowserDialog::OnInitDialog(WPARAM, LPARAM, LRESULT& result) {
    typeCombo_ = GetDlgItem(hwnd_, IDC_FB_TYPE);
    encodingCombo_ = GetDlgItem(hwnd_, IDC_FB_ENCODING);
    HWND tree = GetDlgItem(hwnd_, IDC_FB_TREE);
    HWND list = GetDlgItem(hwnd_, IDC_FB_LIST);

    FillTypeCombo();
    FillEncodingCombo();
    nameBox_.Subclass(GetDlgItem(hwnd_, IDC_FB_NAME));
    folderTree_.Attach(tree);
    folderTree_.Initialize();
    fileList_.Attach(list);
    fileList_.Initialize();
    ListView_SetExtendedListViewStyle(list, kListExtendedStyle);
    ClipSiblings();
    fileList_.LinkTree(tree);
    PlaceControls();
    folderTree_.LinkList(list);
    folderCombo_.Attach(GetDlgItem(hwnd_, IDC_FB_FOLDER), tree);
    SelectInitialFolder();

    layout_.InitLayout(hwnd_);
    RemoveModalFrame(hwnd_);
    menuBar_ = CreateDialogMenuBar(hwnd_, IDR_FILE_BROWSER_MENU, kMenuBarIdIsMenu);
    InitFullScreenDialog(hwnd_);
    if (mode_ == BrowseMode::SaveAs) DeviceSipPreference(hwnd_, kSipRaise);
    result = TRUE;
    return true;
}

// Descriptions at explicit positions, each with its pattern list as the
// item's value; the first one's patterns become the list's filter.
void FileBrowserDialog::FillTypeCombo() {
    if (!filter_) return;
    const wchar_t* text = filter_;
    for (int i = 0; *text; ++i) {
        SendMessageW(typeCombo_, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text));
        const wchar_t* patterns = text + wcslen(text) + 1;
        if (!*patterns) break;
        SendMessageW(typeCombo_, CB_SETITEMDATA, i, reinterpret_cast<LPARAM>(patterns));
        if (i == 0) {
            SendMessageW(typeCombo_, CB_SETCURSEL, 0, 0);
            fileList_.SetFilter(patterns);
        }
        text = patterns + wcslen(patterns) + 1;
    }
}

void FileBrowserDialog::FillEncodingCombo() {
    struct Choice {
        const wchar_t* text;
        TextEncoding value;
    };
    WideString autoDetect;
    if (!autoDetect.Load(IDS_AUTODETECT)) autoDetect.Empty();
    const Choice choices[] = {
        {autoDetect, TextEncoding::AutoDetect},
        {L"ANSI", TextEncoding::Ansi},
        {L"UTF-8", TextEncoding::Utf8},
        {L"UTF-16", TextEncoding::Utf16},
    };
    bool selected = false;
    for (const Choice& choice : choices) {
        if (choice.value == TextEncoding::AutoDetect && mode_ != BrowseMode::Open) continue;
        LRESULT index = SendMessageW(encodingCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text));
        if (index < 0) continue;
        SendMessageW(encodingCombo_, CB_SETITEMDATA, index, static_cast<LPARAM>(choice.value));
        if (choice.value == encoding_) {
            SendMessageW(encodingCombo_, CB_SETCURSEL, index, 0);
            selected = true;
        }
    }
    if (!selected) SendMessageW(encodingCombo_, CB_SETCURSEL, 0, 0);
}

// The dropped-down tree lies over the list and the type and encoding rows,
// and each label reaches a pixel into the box beside it (the template's units
// round up): every control clips its siblings, so a repaint of one never
// draws over another above it (the tree, the box over its label).
void FileBrowserDialog::ClipSiblings() {
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SetWindowLongW(child, GWL_STYLE, GetWindowLongW(child, GWL_STYLE) | WS_CLIPSIBLINGS);
    }
}

// Open has no name box: the list takes its place down to the bottom. The
// hidden tree starts on the list's rectangle.
void FileBrowserDialog::PlaceControls() {
    HWND list = fileList_.Handle();
    HWND nameBox = nameBox_.Handle();
    if (mode_ == BrowseMode::Open) {
        const RECT name = ChildRect(hwnd_, nameBox);
        RECT client{};
        GetClientRect(hwnd_, &client);
        ShowWindow(nameBox, SW_HIDE);
        ShowWindow(GetDlgItem(hwnd_, kNameLabelId), SW_HIDE);
        SetWindowPos(list, nullptr, client.left, name.top, client.right - client.left, client.bottom - name.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        WideString title;
        if (title.Load(IDS_SAVE_AS)) SetWindowTextW(hwnd_, title);
    }
    const RECT listRect = ChildRect(hwnd_, list);
    SetWindowPos(folderTree_.Handle(), nullptr, listRect.left, listRect.top, listRect.right - listRect.left,
                 listRect.bottom - listRect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A path with folders starts in its folder with its name; a bare name (an
// untitled document) starts in the last folder, or the documents folder when
// that is gone.
void FileBrowserDialog::SelectInitialFolder() {
    WideString name;
    HTREEITEM selected = nullptr;
    if (const wchar_t* slash = wcsrchr(path_, L'\\')) {
        WideString folder(path_.c_str(), static_cast<int>(slash - path_.c_str()));
        name = slash + 1;
        selected = folderTree_.SelectPath(folder);
    } else {
        WideString last = LastFilePath();
        if (last.IsEmpty() || !IsFolder(last)) {
            wchar_t documents[kPathUnits] = {};
            if (DevicePersonalFolder(documents, kPathUnits)) SetLastFilePath(documents);
            last = LastFilePath();
        }
        selected = folderTree_.SelectPath(last);
        name = path_;
    }
    SetWindowTextW(nameBox_.Handle(), name);
    if (!selected) folderTree_.SelectRoot();
}

// ---- The choice ---------------------------------------------------------------------

int FileBrowserDialog::SelectedItem() const {
    return static_cast<int>(ListView_GetNextItem(fileList_.Handle(), -1, LVNI_SELECTED));
}

bool FileBrowserDialog::AcceptItem(int index) {
    if (index == -1) index = SelectedItem();
    if (index != -1) {
        FileEntry* entry = fileList_.EntryAt(index);
        if (!entry) return false;
        if (entry->IsFolder()) {
            folderTree_.EnterChildFolder(*entry);
            return false;
        }
        if (mode_ == BrowseMode::Open) {
            WideString full = entry->FullPath();
            if (!full.IsEmpty()) return TakePath(full, false);
        }
    } else if (mode_ == BrowseMode::Open) {
        return false;
    }
    WideString path = TargetFolderWithSlash();
    if (path.IsEmpty()) return false;
    path.Append(NameWithExtension());
    if (!TakePath(path, true)) return false;
    if (IsExistingFile(path) && ShowBox(hwnd_, IDS_OVERWRITE_PROMPT, kOverwritePrompt) != IDYES) return false;
    return true;
}

// Never a relative path: with no folder selected in the tree (one it could
// not find), the folder the list shows.
WideString FileBrowserDialog::TargetFolderWithSlash() const {
    auto absolute = [](const WideString& folder) {
        return !folder.IsEmpty() && (folder[0] == L'\\' || (folder.Length() >= 3 && folder[1] == L':'));
    };
    WideString folder = folderTree_.CurrentFolderWithSlash();
    if (!absolute(folder)) folder = fileList_.FolderWithSlash();
    return absolute(folder) ? folder : WideString();
}

// The typed name, taken literally, with the selected type's extension added
// unless it already ends with it; without a type, "txt" for a name without a dot.
WideString FileBrowserDialog::NameWithExtension() const {
    WideString name = WindowTextOf(nameBox_.Handle());
    const LRESULT type = SendMessageW(typeCombo_, CB_GETCURSEL, 0, 0);
    if (filter_ && filter_[0] && type != CB_ERR) {
        const LRESULT value = SendMessageW(typeCombo_, CB_GETITEMDATA, type, 0);
        const auto* patterns = value == CB_ERR ? nullptr : reinterpret_cast<const wchar_t*>(value);
        if (patterns && wcscmp(patterns, L"*.*") != 0) {
            const wchar_t* extension = wcsrchr(patterns, L'.');
            const wchar_t* dot = wcsrchr(name, L'.');
            if (extension && (!dot || _wcsicmp(dot, extension) != 0)) name.Append(extension);
        }
    } else if (!wcschr(name, L'.')) {
        name.Append(L".");
        name.Append(defaultExtension_);
    }
    return name;
}

// Any length the file system takes is kept whole. Only a name the user typed
// can be too long for it, and only then is the user told.
bool FileBrowserDialog::TakePath(const WideString& path, bool typed) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    const size_t nameLength = wcslen(slash ? slash + 1 : path.c_str());
    if (typed && (nameLength > kNameUnits || static_cast<size_t>(path.Length()) > kLongestPath)) {
        ShowBox(hwnd_, IDS_NAME_TOO_LONG, kNameTooLongBox);
        return false;
    }
    path_ = path;
    return !path_.IsEmpty();
}

bool FileBrowserDialog::OnOkOrCancel(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    const UINT command = LOWORD(wParam);
    // Enter and Esc while a label is edited end the edit, not the dialog.
    HWND editor = ListView_GetEditControl(fileList_.Handle());
    if (editor && (reinterpret_cast<HWND>(lParam) == editor || GetFocus() == editor)) return true;
    if (command == IDOK) {
        if (!AcceptItem(-1)) return true;
        LRESULT index = SendMessageW(encodingCombo_, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) index = 0;
        encoding_ = static_cast<TextEncoding>(SendMessageW(encodingCombo_, CB_GETITEMDATA, index, 0));
        SetLastFilePath(fileList_.FolderWithSlash());
    }
    End(command);
    return true;
}

void FileBrowserDialog::End(INT_PTR result) {
    if (menuBar_) DestroyWindow(menuBar_);
    menuBar_ = nullptr;
    EndDialog(hwnd_, result);
}

// ---- Commands -------------------------------------------------------------------------

bool FileBrowserDialog::OnTypeChange(WPARAM, LPARAM, LRESULT& result) {
    const LRESULT type = SendMessageW(typeCombo_, CB_GETCURSEL, 0, 0);
    const LRESULT value = type == CB_ERR ? CB_ERR : SendMessageW(typeCombo_, CB_GETITEMDATA, type, 0);
    if (value != CB_ERR && value != 0) fileList_.SetFilter(reinterpret_cast<const wchar_t*>(value));
    result = 0;
    return true;
}

bool FileBrowserDialog::OnUp(WPARAM, LPARAM, LRESULT& result) {
    folderTree_.SelectParent();
    SetFocus(fileList_.Handle());
    result = 0;
    return true;
}

int FileBrowserDialog::ViewMode() const { return GetWindowLongW(fileList_.Handle(), GWL_STYLE) & LVS_TYPEMASK; }

bool FileBrowserDialog::OnViewMode(WPARAM wParam, LPARAM, LRESULT& result) {
    const int mode = LOWORD(wParam) - ID_FB_VIEW_ICON;
    if (mode != ViewMode()) {
        const LONG style = GetWindowLongW(fileList_.Handle(), GWL_STYLE);
        SetWindowLongW(fileList_.Handle(), GWL_STYLE, (style & ~LVS_TYPEMASK) | mode);
        // This platform's list view lays itself out anew but does not repaint
        // on a style change: what the old mode drew would stay on screen.
        RedrawWindow(fileList_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    result = 0;
    return true;
}

bool FileBrowserDialog::OnGoTo(WPARAM wParam, LPARAM, LRESULT& result) {
    wchar_t path[kPathUnits] = L"\\";
    if (LOWORD(wParam) == ID_FB_GO_DOCUMENTS) {
        DevicePersonalFolder(path, kPathUnits);
    } else if (LOWORD(wParam) == ID_FB_GO_CARD) {
        FindStorageCard(path, kPathUnits);
    }
    folderTree_.SelectPath(path);
    SetFocus(fileList_.Handle());
    result = 0;
    return true;
}

bool FileBrowserDialog::OnRename(WPARAM, LPARAM, LRESULT& result) {
    const int index = SelectedItem();
    if (index != -1) {
        SetFocus(fileList_.Handle());
        ListView_EditLabel(fileList_.Handle(), index);
    }
    result = 0;
    return true;
}

bool FileBrowserDialog::OnCutOrCopy(WPARAM wParam, LPARAM, LRESULT& result) {
    const DWORD effect = LOWORD(wParam) == ID_EDIT_CUT ? kDropEffectMove : kDropEffectCopyLink;
    PutFileOnClipboard(hwnd_, fileList_.FullPathOf(-1), effect);
    result = 0;
    return true;
}

// Into the selected folder, or else into the folder shown.
bool FileBrowserDialog::OnPaste(WPARAM, LPARAM, LRESULT& result) {
    const int index = SelectedItem();
    const FileEntry* entry = index != -1 ? fileList_.EntryAt(index) : nullptr;
    PasteFile(hwnd_, entry && entry->IsFolder() ? entry->FullPath() : fileList_.FolderWithSlash());
    result = 0;
    return true;
}

bool FileBrowserDialog::OnDelete(WPARAM, LPARAM, LRESULT& result) {
    DeleteWithPrompt(hwnd_, fileList_.FullPathOf(-1));
    result = 0;
    return true;
}

// ---- Tree and list notifications -----------------------------------------------------

// The folder combo shows the new folder at once, with whatever else waits to be painted.
bool FileBrowserDialog::OnTreeSelChanged(WPARAM, LPARAM, LRESULT& result) {
    RedrawWindow(folderCombo_.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    MSG message;
    for (int i = 0; i < kMaxPendingPaints && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
        DispatchMessageW(&message);
    }
    result = 0;
    return true;
}

bool FileBrowserDialog::OnTreeClick(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    NMTREEVIEWW changed{};
    changed.hdr = *reinterpret_cast<const NMHDR*>(lParam);
    changed.hdr.code = TVN_SELCHANGEDW;
    SendMessageW(hwnd_, WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(&changed));
    HideTree(fileList_.Handle());
    // The tree takes the focus back once the click's own handling ends.
    PostMessageW(hwnd_, kFocusListMessage, 0, 0);
    result = 0;
    return true;
}

bool FileBrowserDialog::OnFocusList(WPARAM, LPARAM, LRESULT& result) {
    if (!IsWindowVisible(folderTree_.Handle())) SetFocus(fileList_.Handle());
    result = 0;
    return true;
}

bool FileBrowserDialog::OnTreeReturn(WPARAM, LPARAM, LRESULT& result) {
    HideTree(fileList_.Handle());
    result = 0;
    return true;
}

bool FileBrowserDialog::OnTreeKillFocus(WPARAM, LPARAM, LRESULT& result) {
    ShowWindow(folderTree_.Handle(), SW_HIDE);
    result = 0;
    return true;
}

void FileBrowserDialog::HideTree(HWND focus) {
    ShowWindow(folderTree_.Handle(), SW_HIDE);
    SetFocus(focus);
}

// A file that becomes selected puts its name into the name box.
bool FileBrowserDialog::OnListItemChanged(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
    result = 0;
    if (change->iItem == -1 || !(change->uChanged & LVIF_STATE) || !(change->uNewState & LVIS_SELECTED)) return true;
    const FileEntry* entry = fileList_.EntryAt(change->iItem);
    if (entry && !entry->IsFolder()) SetWindowTextW(nameBox_.Handle(), fileList_.ItemText(change->iItem));
    return true;
}

bool FileBrowserDialog::OnListItemActivate(WPARAM, LPARAM lParam, LRESULT& result) {
    const auto* activated = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
    if (AcceptItem(activated->iItem) && mode_ == BrowseMode::Open) PostMessageW(hwnd_, WM_COMMAND, IDOK, 0);
    result = 0;
    return true;
}

bool FileBrowserDialog::OnListSetFocus(WPARAM, LPARAM, LRESULT& result) {
    HWND list = fileList_.Handle();
    if (SelectedItem() == -1 && ListView_GetItemCount(list) > 0) {
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, 0, FALSE);
    }
    result = 0;
    return true;
}

// ---- Keys, size and menus -------------------------------------------------------------

bool FileBrowserDialog::OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    return BackKeyInDialog(hwnd_, WM_HOTKEY, wParam, lParam);
}

bool FileBrowserDialog::OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    layout_.OnSize(hwnd_, wParam, lParam);
    result = 0;
    return true;
}

// On the list: the "文件" popup when an entry is selected, else the list's own menu.
bool FileBrowserDialog::OnContextMenu(WPARAM, LPARAM lParam, LRESULT& result) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (WindowFromPoint(point) != fileList_.Handle()) return false;
    const UINT menuId = SelectedItem() != -1 ? IDR_FILE_BROWSER_MENU : IDR_FILE_LIST_POPUP;
    HMENU menu = LoadMenuW(ProgramInstance(), MAKEINTRESOURCEW(menuId));
    if (menu) {
        TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, hwnd_, nullptr);
        DestroyMenu(menu);
    }
    result = 0;
    return true;
}

// A popup is known by its first command: the file commands need a selected
// entry and paste a file on the clipboard; the view submenu marks the view.
bool FileBrowserDialog::OnInitMenuPopup(WPARAM wParam, LPARAM, LRESULT& result) {
    auto menu = reinterpret_cast<HMENU>(wParam);
    if (!menu) return false;
    const UINT first = GetMenuItemID(menu, 0);
    if (first == IDOK || first == ID_EDIT_PASTE) {
        const UINT state = SelectedItem() != -1 ? MF_ENABLED : MF_GRAYED;
        for (UINT id : {static_cast<UINT>(IDOK), static_cast<UINT>(ID_EDIT_CUT), static_cast<UINT>(ID_EDIT_COPY),
                        static_cast<UINT>(ID_FB_DELETE), static_cast<UINT>(ID_FB_RENAME)}) {
            EnableMenuItem(menu, id, MF_BYCOMMAND | state);
        }
        EnableMenuItem(menu, ID_EDIT_PASTE, MF_BYCOMMAND | (ClipboardHasFileDrop() ? MF_ENABLED : MF_GRAYED));
    } else if (first == ID_FB_VIEW_ICON) {
        CheckMenuRadioItem(menu, ID_FB_VIEW_ICON, ID_FB_VIEW_LIST, ID_FB_VIEW_ICON + ViewMode(), MF_BYCOMMAND);
    }
    result = 0;
    return true;
}

}  // namespace brevitex
