// MainFrame: the top-level editor window of a frame thread (class
// "ZuzodurIzaVazed"). It owns the edit view that fills it, the soft-key
// command bar built from menu 101, the edit font and the UI-update state; it
// handles the window-level messages and the file, view and application
// commands, and passes every other command to the view. Registered with its
// thread's loop, it filters messages for the selection mode and brings the
// menu and toolbar states up to date when the loop becomes idle.
#pragma once

#include <windows.h>

#include "device/DeviceShell.h"
#include "common/Handles.h"
#include "common/TextEncoding.h"
#include "common/WideString.h"
#include "common/Window.h"
#include "document/EditView.h"
#include "shell/BToolBar.h"
#include "shell/DocumentRecovery.h"
#include "common/MessageLoop.h"
#include "shell/UpdateUI.h"

namespace brevitex {

class MainFrame : public WindowBase, public MessageFilter, public IdleHandler {
public:
    // Bits of the frame flags.
    static constexpr DWORD kTitleModified = 0x1;  // modified state last shown in the title
    static constexpr DWORD kSelectionMode = 0x2;
    static constexpr DWORD kFitPending = 0x4;  // an input-panel fit waits for the frame to be active
    static constexpr DWORD kViewSizePending = 0x8;  // the view keeps its height while a dialog of the frame is active

    MainFrame() = default;
    ~MainFrame() override = default;

    void SetAccelerators(HACCEL accelerators) { accelerators_ = accelerators; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The thread loop's message filter and idle handler.
    bool PreTranslateMessage(MSG* message) override;
    void OnIdle() override;

    // Document commands (DocumentCommands.cpp).
    // True when the caller may go on: nothing to save, saved, or not to be saved.
    bool QuerySave();
    bool OpenFile(const wchar_t* path, TextEncoding encoding);
    // A null or empty path saves to the document's own; AutoDetect keeps its encoding.
    bool SaveFile(const wchar_t* path, TextEncoding encoding);
    bool OpenWithBrowser();
    // Takes over the recovery copy a process that ended left (the window's
    // document becomes that one, modified); false when it could not be read.
    bool RestoreRecovered(const wchar_t* file);
    bool SaveAsWithBrowser();
    void UpdateTitle();

    // True when a document path names a file: it begins with a backslash, or
    // with a drive letter, a colon and a backslash.
    static bool HasFile(const wchar_t* path);

    HWND EditWindow() const { return client_; }
    HWND CommandBar() const { return commandBar_; }
    HWND ToolBarWindow() const { return toolbar_; }
    const BToolBar& ToolBarObject() const { return toolBar_; }
    HFONT EditFont() const { return editFont_.Get(); }
    DWORD Flags() const { return flags_; }
    const EditView& View() const { return view_; }
    const UpdateUI& UpdateState() const { return updateUI_; }

private:
    using Self = MainFrame;
    static const MessageMapEntry<MainFrame> kMessageMap[];

    bool OnUpdatePosition(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnOpenCommandLine(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCreate(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnClose(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnQueryEndSession(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCopyData(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnInitMenuPopup(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnActivate(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnLayoutView(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSettingChange(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCancelMode(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnEraseBackground(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSetFocus(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnViewChange(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnTimer(WPARAM wParam, LPARAM lParam, LRESULT& result);

    bool OnFileNew(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFileOpen(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFileSave(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFileSaveAs(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnReadOnly(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnWordWrap(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnFont(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnGoTo(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSelectionMode(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnExit(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnToolBar(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnAbout(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnViewCommand(WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Creation steps.
    void CreateCommandBar();
    void SetUpSmartphoneKeys();
    void CreateToolBar(bool visible);
    void RegisterWithLoop();

    // The read-outs of the info popup; true when the popup was the info popup (DocumentInfo.cpp).
    bool RefreshInfoPopup(HMENU popup, LPARAM lParam);
    void ShowAbout();
    void LayoutChildren(bool moveToolBar);
    // Whether the view keeps its height for a layout to the rect (see there);
    // it is then cut to what the rect shows.
    bool KeepViewHeight(const RECT& rect);
    void FitToInputPanel();
    // Whether a dialog of this frame covers all of it (the full-screen browser).
    bool CoveredByOwnDialog() const;
    void StartSelectionMode();
    void EndSelectionMode();
    void ApplyEditFont();
    void AfterDocumentChange();
    void ShowUnmodified();
    bool ChangedByAnotherProgram() const;
    // Asks before a save that would write the file otherwise than it was
    // loaded; true when the save may go on.
    bool ConsentToSaveChanges(const wchar_t* target, TextEncoding encoding, bool& asked);
    // Says once, after an open, why a document that did not load byte for byte is read-only.
    // Word wrap was declined for the text shown (path: on opening that file).
    void TellWrapDeclined(const wchar_t* path);
    void TellWhyReadOnly(const wchar_t* path);
    // Takes the view's control as the client window when the view has replaced it.
    void FollowViewWindow();
    // Has the view's control report its changes (EN_CHANGE), for the recovery copy.
    void WatchViewChanges();
    // Paints the frame, its children and its soft keys at once.
    void PaintNow();
    // The type list of the file browser, '|' turned into zeros; Save As drops the first pair.
    static WideString BrowserFilter(bool dropFirstPair);

    HWND toolbar_ = nullptr;
    HWND client_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HWND commandBar_ = nullptr;
    UpdateUI updateUI_;
    BToolBar toolBar_;
    EditView view_;
    DocumentRecovery recovery_;
    UniqueFont editFont_;
    DWORD flags_ = 0;
    // The file of the command line, until the window shows and opens it.
    WideString pendingOpen_;
    ActivateInfo activation_{sizeof(ActivateInfo), {}};
};

}  // namespace brevitex
