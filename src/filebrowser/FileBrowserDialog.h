// FileBrowserDialog: the program's own Open / Save As dialog (dialog 112).
// A folder combo drops down the folder tree, the file list shows the current
// folder's subfolders and matching files, and the type and encoding combos
// and (Save As) the name box complete the choice. Its menus also cut, copy,
// paste, delete and rename entries. Constructed with the mode, the initial
// path and the caller's type list (zero-terminated description and pattern
// strings, ended by an empty string), it runs modally with the frame as
// owner and after OK hands back a full path and an encoding; the folder
// shown becomes the process-wide LastFilePath.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/TextEncoding.h"
#include "common/WideString.h"
#include "common/Window.h"
#include "dialogs/DialogLayout.h"
#include "document/DialogEditBox.h"
#include "filebrowser/FileListView.h"
#include "filebrowser/FolderComboBox.h"
#include "filebrowser/FolderTreeView.h"

namespace brevitex {

// Any nonzero value means Open.
enum class BrowseMode : int32_t {
    SaveAs = 0,
    Open = 1,
};

class FileBrowserDialog : public DialogBase {
public:
    using Self = FileBrowserDialog;
    static constexpr int kPathUnits = MAX_PATH;

    // initialPath may be null (empty); filter is not copied and may be null.
    FileBrowserDialog(BrowseMode mode, const wchar_t* initialPath, const wchar_t* filter);

    // The encoding preselected on entry; after OK the one chosen.
    void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }
    TextEncoding Encoding() const { return encoding_; }

    // After OK the chosen full path; before, the initial path.
    const wchar_t* Path() const { return path_.c_str(); }
    BrowseMode Mode() const { return mode_; }
    const wchar_t* Filter() const { return filter_; }
    const wchar_t* DefaultExtension() const { return defaultExtension_; }

    // Runs dialog 112: 1 after OK, 2 after cancel, -1 when it could not be created.
    INT_PTR Run(HWND owner);

    // Sets the outcome of a choice: the full path (cut to the buffer) and the encoding.
    void SetChoice(const wchar_t* path, TextEncoding encoding);

    // The controls, while the dialog runs (tests and the hook look at them).
    FileListView& List() { return fileList_; }
    FolderTreeView& Tree() { return folderTree_; }
    FolderComboBox& FolderCombo() { return folderCombo_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool OnInitDialog(WPARAM, LPARAM, LRESULT& result);
    bool OnOkOrCancel(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnTypeChange(WPARAM, LPARAM, LRESULT& result);
    bool OnUp(WPARAM, LPARAM, LRESULT& result);
    bool OnViewMode(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnGoTo(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnRename(WPARAM, LPARAM, LRESULT& result);
    bool OnCutOrCopy(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnPaste(WPARAM, LPARAM, LRESULT& result);
    bool OnDelete(WPARAM, LPARAM, LRESULT& result);
    bool OnTreeSelChanged(WPARAM, LPARAM, LRESULT& result);
    bool OnTreeClick(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnTreeReturn(WPARAM, LPARAM, LRESULT& result);
    bool OnTreeKillFocus(WPARAM, LPARAM, LRESULT& result);
    bool OnListItemChanged(WPARAM, LPARAM lParam, LRESULT& result);
    bool OnListItemActivate(WPARAM, LPARAM lParam, LRESULT& result);
    bool OnListSetFocus(WPARAM, LPARAM, LRESULT& result);
    bool OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnContextMenu(WPARAM, LPARAM lParam, LRESULT& result);
    bool OnInitMenuPopup(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnFocusList(WPARAM, LPARAM, LRESULT& result);

    void FillTypeCombo();
    void FillEncodingCombo();
    void ClipSiblings();
    void PlaceControls();
    void SelectInitialFolder();
    // Whether the item (-1: the selected one) is the dialog's choice; fills
    // path_ when it is. A folder is entered instead, and fails.
    bool AcceptItem(int index);
    // The name box's text with the selected type's extension rules applied.
    WideString NameWithExtension() const;
    // Takes a full path as the choice; refuses, telling the user, one whose
    // typed name the file system would not take.
    bool TakePath(const WideString& path, bool typed);
    // The folder a typed name goes into: the tree's, else the list's.
    WideString TargetFolderWithSlash() const;
    void HideTree(HWND focus);
    int SelectedItem() const;
    int ViewMode() const;
    void End(INT_PTR result);

    static const MessageMapEntry<FileBrowserDialog> kMap[];
    static const LayoutRow kLayoutTable[];

    BrowseMode mode_;
    TextEncoding encoding_ = TextEncoding::AutoDetect;
    WideString path_;
    WideString defaultExtension_{L"txt"};
    const wchar_t* filter_;
    FolderComboBox folderCombo_;
    HWND typeCombo_ = nullptr;
    HWND encodingCombo_ = nullptr;
    DialogEditBox nameBox_;
    FolderTreeView folderTree_;
    FileListView fileList_;
    HWND menuBar_ = nullptr;
    DialogLayout layout_{kLayoutTable};
};

// A process-wide hook that answers the browser instead of showing it (tests):
// it may call SetChoice and returns the result of the run; returning 0 shows
// the real dialog.
using FileBrowserHook = INT_PTR (*)(FileBrowserDialog& dialog, HWND owner, void* context);
void SetFileBrowserHook(FileBrowserHook hook, void* context);

}  // namespace brevitex
