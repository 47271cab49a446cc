// MainFrame: creation, window-level messages, command routing, the
// selection-mode filter, the idle-time state updates and the layout.
#include "shell/MainFrame.h"

#include <commctrl.h>
#include <richedit.h>

#include <utility>

#include "common/Messages.h"
#include "dialogs/FontDialog.h"
#include "dialogs/GoToDialog.h"
#include "resources/resource.h"
#include "common/Module.h"
#include "shell/AppModule.h"
#include "shell/FrameThreadManager.h"
#include "shell/Settings.h"

namespace brevitex {

namespace {

constexpr UINT kSetSipInfo = 224;           // SPI_SETSIPINFO
constexpr DWORD kInvalidMenuHandle = 1401;  // ERROR_INVALID_MENU_HANDLE
constexpr UINT kHotKeyModifierMask = kHotKeyReleased;

// Key messages from WM_KEYDOWN to 0x0108 and the mouse messages end the selection
// mode, except Shift and the keys that move the caret (Page Up to Down arrow).
bool EndsSelection(const MSG& message) {
    if (message.message >= WM_KEYDOWN && message.message <= 0x0108) {
        UINT key = static_cast<UINT>(message.wParam);
        return key != VK_SHIFT && !(key >= VK_PRIOR && key <= VK_DOWN);
    }
    return message.message >= WM_MOUSEFIRST && message.message <= 0x020D;
}

// The simulated, silent Shift key: only this thread's key state changes, so
// the edit control extends the selection without any key message being sent.
void SetShiftState(bool down) {
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return;
    keys[VK_SHIFT] = down ? 0x80 : 0;
    keys[VK_LSHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

}  // namespace

const MessageMapEntry<MainFrame> MainFrame::kMessageMap[] = {
    BX_MESSAGE(UWM_UPDATE_POSITION, OnUpdatePosition),
    BX_MESSAGE(UWM_LAYOUT_VIEW, OnLayoutView),
    BX_MESSAGE(UWM_OPEN_COMMAND_LINE, OnOpenCommandLine),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_MESSAGE(WM_CREATE, OnCreate),
    BX_MESSAGE(WM_CLOSE, OnClose),
    BX_MESSAGE(WM_QUERYENDSESSION, OnQueryEndSession),
    BX_MESSAGE(WM_COPYDATA, OnCopyData),
    BX_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup),
    BX_MESSAGE(WM_ACTIVATE, OnActivate),
    BX_MESSAGE(WM_SETTINGCHANGE, OnSettingChange),
    BX_MESSAGE(WM_CANCELMODE, OnCancelMode),
    BX_COMMAND(ID_FILE_NEW, OnFileNew),
    BX_COMMAND(ID_FILE_OPEN, OnFileOpen),
    BX_COMMAND(ID_FILE_SAVE, OnFileSave),
    BX_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs),
    BX_COMMAND(ID_VIEW_READONLY, OnReadOnly),
    BX_COMMAND(ID_VIEW_WORDWRAP, OnWordWrap),
    BX_COMMAND(ID_VIEW_FONT, OnFont),
    BX_COMMAND(ID_VIEW_GOTO, OnGoTo),
    BX_COMMAND(ID_EDIT_SELECTMODE, OnSelectionMode),
    BX_COMMAND(ID_APP_EXIT, OnExit),
    BX_COMMAND(ID_VIEW_TOOLBAR, OnToolBar),
    BX_COMMAND(ID_APP_ABOUT, OnAbout),
    BX_COMMAND_CODE(0, EN_CHANGE, OnViewChange),
    BX_ANY_COMMAND(OnViewCommand),
    BX_MESSAGE(WM_SIZE, OnSize),
    BX_MESSAGE(WM_ERASEBKGND, OnEraseBackground),
    BX_MESSAGE(WM_SETFOCUS, OnSetFocus),
    BX_MESSAGE(WM_DESTROY, OnDestroy),
    BX_MESSAGE(WM_TIMER, OnTimer),
};

bool MainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMessageMap, message, wParam, lParam, result);
}

// ---- Creation ---------------------------------------------------------------

bool MainFrame::OnCreate(WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    const auto* commandLine = static_cast<const wchar_t*>(create->lpCreateParams);

    FrameSettings settings;
    LoadSettings(settings);
    editFont_ = std::move(settings.editFont);

    RECT client{};
    GetClientRect(hwnd_, &client);
    client_ = view_.Create(hwnd_, client, settings.wordWrap ? kEditViewWrapStyle : kEditViewNoWrapStyle);
    ApplyEditFont();
    WatchViewChanges();

    CreateCommandBar();
    if (IsSmartphonePlatform()) {
        SetUpSmartphoneKeys();
    } else {
        CreateToolBar(settings.toolBarVisible);
    }
    RegisterWithLoop();
    // A frame made while the input panel is up ends above it, as every other
    // frame then does; its toolbar and a long load's progress bar stay seen.
    SipInfo sip{};
    if (!IsSmartphonePlatform() && DeviceSipGetInfo(&sip) && sip.shown) FitToInputPanel();

    if (commandLine && commandLine[0]) {
        // Opened once the window shows: a long load then never faces a blank window.
        pendingOpen_ = commandLine;
        PostMessageW(hwnd_, UWM_OPEN_COMMAND_LINE, 0, 0);
    } else {
        UpdateTitle();
    }
    SendMessageW(hwnd_, UWM_UPDATE_POSITION, 0, 0);
    return true;
}

// The soft-key bar from menu 101; the frame then ends where the bar begins.
void MainFrame::CreateCommandBar() {
    MenuBarInfo info{};
    info.size = sizeof(info);
    info.parent = hwnd_;
    info.flags = kMenuBarIdIsMenu;
    info.resourceId = IDR_MAINFRAME;
    info.instance = ProgramInstance();
    if (!DeviceCreateMenuBar(&info) || !info.menuBar) return;
    commandBar_ = info.menuBar;

    RECT frame{};
    RECT bar{};
    GetWindowRect(hwnd_, &frame);
    GetWindowRect(commandBar_, &bar);
    LONG edge = IsWindowVisible(commandBar_) ? bar.top : bar.bottom;
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, edge - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Smartphone: no "工具栏" item, and Back and the volume keys come to the frame as WM_HOTKEY.
void MainFrame::SetUpSmartphoneKeys() {
    if (!commandBar_) return;
    auto menu = reinterpret_cast<HMENU>(SendMessageW(commandBar_, kMenuBarGetMenu, 0, 0));
    SetLastError(0);
    if (menu && (GetMenuItemID(menu, 0) != static_cast<UINT>(-1) || GetLastError() != kInvalidMenuHandle)) {
        DeleteMenu(menu, ID_VIEW_TOOLBAR, MF_BYCOMMAND);
    }
    for (UINT key : {kBackKey, kVolumeUpKey, kVolumeDownKey}) {
        SendMessageW(commandBar_, kMenuBarOverrideKey, key, kOverrideKeyAllEvents);
    }
}

// Pocket PC: the toolbar, shown or hidden by the setting. Without it (no
// resource, no window) the layout and the UI-update state simply skip it.
void MainFrame::CreateToolBar(bool visible) {
    toolbar_ = toolBar_.Create(hwnd_, visible ? kToolBarShownStyle : kToolBarHiddenStyle, ID_VIEW_TOOLBAR);
    if (!toolbar_) return;
    if (visible) ShowWindow(toolbar_, SW_SHOW);
    updateUI_.AddToolBar(toolbar_);
}

void MainFrame::RegisterWithLoop() {
    if (MessageLoop* loop = ThreadLoop()) {
        loop->AddFilter(this);
        loop->AddIdleHandler(this);
    }
}

void MainFrame::ApplyEditFont() {
    if (client_ && editFont_) SendMessageW(client_, WM_SETFONT, reinterpret_cast<WPARAM>(editFont_.Get()), TRUE);
}

// ---- Window messages --------------------------------------------------------

bool MainFrame::OnUpdatePosition(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    // An edit of the whole text, or its undo, may have put another control in the view's place.
    if (client_ && view_.Handle()) FollowViewWindow();
    if (!toolbar_ || !client_) return true;
    DWORD end = 0;
    SendMessageW(client_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    auto line = static_cast<int>(SendMessageW(client_, EM_LINEFROMCHAR, end, 0));
    auto lineStart = static_cast<int>(SendMessageW(client_, EM_LINEINDEX, static_cast<WPARAM>(-1), 0));
    WideString text;
    if (text.FormatId(IDS_POSITION, line + 1, static_cast<int>(end) - lineStart + 1)) {
        SetWindowTextW(toolbar_, text);
    }
    return true;
}

bool MainFrame::OnOpenCommandLine(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    WideString path = pendingOpen_;
    pendingOpen_.Empty();
    if (!path.IsEmpty()) OpenFile(path, TextEncoding::AutoDetect);
    return true;
}

bool MainFrame::OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 1;
    UINT key = HIWORD(lParam);
    if (key == kBackKey) {
        if (client_ && GetFocus() == client_) DeviceSendBackToFocusWindow(WM_HOTKEY, wParam, lParam);
        return true;
    }
    if ((key == kVolumeUpKey || key == kVolumeDownKey) && (LOWORD(lParam) & kHotKeyModifierMask) && client_) {
        WPARAM page = key == kVolumeUpKey ? VK_PRIOR : VK_NEXT;
        SendMessageW(client_, WM_KEYDOWN, page, 0);
        SendMessageW(client_, WM_KEYUP, page, 0);
    }
    return true;
}

bool MainFrame::OnClose(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (!QuerySave()) return true;  // refused: the window stays
    SaveSettings(client_, toolbar_, editFont_.Get(), view_.WrapDeclined());
    // A long text is not freed with the window: the frame thread's end sees to it.
    view_.ParkLongText();
    client_ = view_.Handle();
    return false;  // the default procedure destroys the window
}

// The session is ending: the same question as a close, so a modified
// document is never dropped without the user's answer.
bool MainFrame::OnQueryEndSession(WPARAM, LPARAM, LRESULT& result) {
    result = QuerySave() ? TRUE : FALSE;
    return true;
}

bool MainFrame::OnCopyData(WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || !data->lpData || data->cbData == 0) return true;
    // Never read past cbData: at most cbData / 2 units, terminated here.
    wchar_t* copy = DuplicateOnHeap(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    if (!copy) return true;
    if (!PostThreadMessageW(Module().MainThreadId(), UWM_NEW_FRAME, data->dwData, reinterpret_cast<LPARAM>(copy))) {
        FreeOnHeap(copy);
    }
    return true;
}

bool MainFrame::OnInitMenuPopup(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    auto popup = reinterpret_cast<HMENU>(wParam);
    if (!RefreshInfoPopup(popup, lParam) && popup) updateUI_.ApplyToMenu(popup);
    return true;
}

bool MainFrame::OnActivate(WPARAM wParam, LPARAM lParam, LRESULT&) {
    DeviceHandleActivate(hwnd_, wParam, lParam, &activation_);
    if (LOWORD(wParam) != WA_INACTIVE && (flags_ & kFitPending)) {
        flags_ &= ~kFitPending;
        FitToInputPanel();
    }
    // The view gets its size once the input panel the dialog raised had its
    // chance to go down: laid out now, it could be laid out twice.
    if (LOWORD(wParam) != WA_INACTIVE && (flags_ & kViewSizePending)) PostMessageW(hwnd_, UWM_LAYOUT_VIEW, 0, 0);
    return false;
}

bool MainFrame::OnLayoutView(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (flags_ & kViewSizePending) LayoutChildren(false);
    return true;
}

bool MainFrame::OnSettingChange(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (IsSmartphonePlatform()) return false;
    result = DeviceHandleSettingChange(hwnd_, wParam, lParam, &activation_);
    if (wParam != kSetSipInfo) return true;
    // Under a dialog that covers the whole frame the fit waits until the
    // frame is active again: resizing the frame under a full-screen dialog
    // as it starts left the boxes that dialog shows unpainted on this desktop,
    // and the covered frame shows nothing of the fit meanwhile.
    if (CoveredByOwnDialog()) {
        flags_ |= kFitPending;
    } else {
        flags_ &= ~kFitPending;
        FitToInputPanel();
    }
    return true;
}

bool MainFrame::CoveredByOwnDialog() const {
    struct Search {
        HWND frame;
        RECT frameRect;
        bool covered;
    } search{hwnd_, {}, false};
    if (!GetWindowRect(hwnd_, &search.frameRect)) return false;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM context) CALLBACK -> BOOL {
            auto* find = reinterpret_cast<Search*>(context);
            wchar_t name[16] = {};
            RECT rect{};
            RECT both{};
            if (GetWindow(window, GW_OWNER) == find->frame && GetClassNameW(window, name, 16) &&
                wcscmp(name, L"#32770") == 0 && GetWindowRect(window, &rect) &&
                UnionRect(&both, &rect, &find->frameRect) && EqualRect(&both, &rect)) {
                find->covered = true;
            }
            return !find->covered;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.covered;
}

bool MainFrame::OnCancelMode(WPARAM, LPARAM, LRESULT&) {
    EndSelectionMode();
    return false;
}

bool MainFrame::OnSize(WPARAM wParam, LPARAM, LRESULT&) {
    if (wParam != SIZE_MINIMIZED) LayoutChildren(true);
    return false;
}

bool MainFrame::OnEraseBackground(WPARAM, LPARAM, LRESULT& result) {
    if (!client_) return false;
    result = 1;
    return true;
}

bool MainFrame::OnSetFocus(WPARAM, LPARAM, LRESULT&) {
    if (client_) SetFocus(client_);
    return false;
}

bool MainFrame::OnDestroy(WPARAM, LPARAM, LRESULT&) {
    // A window that closes normally keeps no copy: its document was saved
    // or the user chose to discard it.
    recovery_.Discard(hwnd_);
    EndSelectionMode();
    if (MessageLoop* loop = ThreadLoop()) {
        loop->RemoveFilter(this);
        loop->RemoveIdleHandler(this);
    }
    PostQuitMessage(1);
    return false;
}

// ---- Commands ---------------------------------------------------------------

bool MainFrame::OnFileNew(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (QuerySave()) {
        flags_ |= kTitleModified;
        view_.NewDocument();
        FollowViewWindow();
    }
    return true;
}

bool MainFrame::OnFileOpen(WPARAM, LPARAM, LRESULT& result) {
    result = QuerySave() && OpenWithBrowser();
    return true;
}

bool MainFrame::OnFileSave(WPARAM, LPARAM, LRESULT& result) {
    result = HasFile(view_.Path()) ? SaveFile(nullptr, TextEncoding::AutoDetect) : SaveAsWithBrowser();
    return true;
}

bool MainFrame::OnFileSaveAs(WPARAM, LPARAM, LRESULT& result) {
    result = SaveAsWithBrowser();
    return true;
}

bool MainFrame::OnReadOnly(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (client_) {
        bool readOnly = (GetWindowLongW(client_, GWL_STYLE) & ES_READONLY) != 0;
        SendMessageW(client_, EM_SETREADONLY, !readOnly, 0);
    }
    return true;
}

bool MainFrame::OnWordWrap(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (!client_) return true;
    bool wrapping = (GetWindowLongW(client_, GWL_STYLE) & ES_WANTRETURN) != 0;
    // The new control gets the view's font before it takes the text.
    client_ = view_.SetWordWrap(!wrapping);
    if (view_.WrapDeclined()) TellWrapDeclined(nullptr);
    if (client_) SetFocus(client_);
    SendMessageW(hwnd_, UWM_UPDATE_POSITION, 0, 0);
    return true;
}

bool MainFrame::OnFont(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    LOGFONTW font;
    if (!editFont_ || GetObjectW(editFont_.Get(), sizeof(font), &font) == 0) SystemFontDescription(font);
    if (!RunFontDialog(hwnd_, font)) return true;
    font.lfQuality = ANTIALIASED_QUALITY;
    UniqueFont chosen(CreateFontIndirectW(&font));
    if (!chosen) return true;  // the control keeps the font it has
    // The old font goes only once the control no longer uses it.
    UniqueFont old = std::exchange(editFont_, std::move(chosen));
    ApplyEditFont();
    return true;
}

// Only a plain command opens the dialog; other notification codes do nothing.
bool MainFrame::OnGoTo(WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    if (HIWORD(wParam) == 0 && client_) RunGoToDialog(hwnd_, client_);
    return true;
}

bool MainFrame::OnSelectionMode(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    StartSelectionMode();
    return true;
}

bool MainFrame::OnExit(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return true;
}

bool MainFrame::OnToolBar(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    if (!toolbar_) return true;
    ShowWindow(toolbar_, IsWindowVisible(toolbar_) ? SW_HIDE : SW_SHOW);
    LayoutChildren(false);
    return true;
}

bool MainFrame::OnAbout(WPARAM, LPARAM, LRESULT& result) {
    result = 0;
    ShowAbout();
    return true;
}

bool MainFrame::OnViewCommand(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (!view_.Handle()) return false;
    return view_.HandleCommand(wParam, lParam, result);
}

// ---- Selection mode ---------------------------------------------------------

void MainFrame::StartSelectionMode() {
    SetShiftState(true);
    flags_ |= kSelectionMode;
}

void MainFrame::EndSelectionMode() {
    if (!(flags_ & kSelectionMode)) return;
    if (GetKeyState(VK_SHIFT) < 0) SetShiftState(false);
    flags_ &= ~kSelectionMode;
}

bool MainFrame::PreTranslateMessage(MSG* message) {
    if ((flags_ & kSelectionMode) && EndsSelection(*message)) EndSelectionMode();
    return accelerators_ && hwnd_ && TranslateAcceleratorW(hwnd_, accelerators_, message);
}

// ---- Idle pass --------------------------------------------------------------

void MainFrame::OnIdle() {
    if (!hwnd_) return;
    bool modified = client_ && SendMessageW(client_, EM_GETMODIFY, 0, 0) != 0;
    if (modified != ((flags_ & kTitleModified) != 0)) {
        flags_ = modified ? (flags_ | kTitleModified) : (flags_ & ~kTitleModified);
        UpdateTitle();
        // Saved, or another document taken: the copy of the old one goes.
        if (!modified) recovery_.Discard(hwnd_);
    }
    if (toolbar_) updateUI_.Check(ID_VIEW_TOOLBAR, IsWindowVisible(toolbar_) != FALSE);
    if (client_) view_.UpdateCommandUI(updateUI_);
    updateUI_.ApplyToToolBars();
}

// ---- Layout -----------------------------------------------------------------

void MainFrame::LayoutChildren(bool moveToolBar) {
    RECT rect{};
    GetClientRect(hwnd_, &rect);
    if (toolbar_ && (GetWindowLongW(toolbar_, GWL_STYLE) & WS_VISIBLE)) {
        RECT screen = DeviceScreenRect();
        bool landscape = screen.right - screen.left > screen.bottom - screen.top;
        SendMessageW(toolbar_, TB_HIDEBUTTON, ID_EDIT_FIND, MAKELPARAM(!landscape, 0));
        int height = HIWORD(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0)) + 2 * GetSystemMetrics(SM_CYBORDER);
        if (moveToolBar) {
            SetWindowPos(toolbar_, nullptr, rect.left, rect.bottom - height, rect.right - rect.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        rect.bottom -= height;
    }
    if (client_ && !KeepViewHeight(rect)) {
        if (flags_ & kViewSizePending) {
            flags_ &= ~kViewSizePending;
            SetWindowRgn(client_, nullptr, TRUE);
            view_.SetShownHeight(0);
        }
        SetWindowPos(client_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool MainFrame::KeepViewHeight(const RECT& rect) {
    // A change of the view's height makes the control lay out its whole text
    // again (seconds for a long one). While a dialog of the frame is active -
    // the input panel rising for its box - the view keeps its height: what
    // the frame no longer shows of it is cut off, and the caret is kept in
    // what it shows. Once the frame is active again it gets its size.
    HWND active = GetActiveWindow();
    if (!active || active == hwnd_ || GetWindow(active, GW_OWNER) != hwnd_) return false;
    RECT now{};
    GetWindowRect(client_, &now);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&now), 2);
    if (now.left != rect.left || now.top != rect.top || now.right != rect.right) return false;
    const int shown = static_cast<int>(rect.bottom - rect.top);
    if (shown <= 0 || shown == now.bottom - now.top) return false;
    flags_ |= kViewSizePending;
    // The region passes to the window, which frees it.
    SetWindowRgn(client_, CreateRectRgn(0, 0, now.right - now.left, shown), TRUE);
    view_.SetShownHeight(shown);
    return true;
}

void MainFrame::FollowViewWindow() {
    if (client_ == view_.Handle()) return;
    client_ = view_.Handle();
    WatchViewChanges();
    SendMessageW(hwnd_, UWM_UPDATE_POSITION, 0, 0);
}

void MainFrame::WatchViewChanges() {
    if (!client_) return;
    const LRESULT mask = SendMessageW(client_, EM_GETEVENTMASK, 0, 0);
    if (!(mask & ENM_CHANGE)) SendMessageW(client_, EM_SETEVENTMASK, 0, mask | ENM_CHANGE);
}

bool MainFrame::OnViewChange(WPARAM, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (reinterpret_cast<HWND>(lParam) != client_) return false;
    recovery_.Changed(hwnd_);
    return true;
}

bool MainFrame::OnTimer(WPARAM wParam, LPARAM, LRESULT& result) {
    if (wParam != DocumentRecovery::kTimerId) return false;
    recovery_.OnTimer(hwnd_, view_);
    result = 0;
    return true;
}

bool MainFrame::RestoreRecovered(const wchar_t* file) {
    if (!view_.Handle() || !recovery_.Restore(view_, file)) return false;
    FollowViewWindow();
    // Read-only as when it was opened, if its file's bytes did not all load.
    SendMessageW(client_, EM_SETREADONLY, view_.LoadedExactly() ? FALSE : TRUE, 0);
    flags_ |= kTitleModified;
    UpdateTitle();
    return true;
}

void MainFrame::PaintNow() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (commandBar_) UpdateWindow(commandBar_);
}

void MainFrame::FitToInputPanel() {
    SipInfo sip{};
    if (!DeviceSipGetInfo(&sip)) return;
    const RECT& desktop = sip.visibleDesktop;
    LONG bottom = sip.shown ? desktop.bottom : sip.panel.bottom;
    MoveWindow(hwnd_, desktop.left, desktop.top, desktop.right - desktop.left, bottom - desktop.top, FALSE);
    // The move itself repaints nothing: what it uncovered (the toolbar strip
    // the panel left, the view) is painted now, or it would stay black.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    if (commandBar_) RedrawWindow(commandBar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace brevitex
