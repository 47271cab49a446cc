// FindReplaceDialog: find and replace in the view's edit control (dialog 111).
// On Pocket PC the dialog is modeless, created on first use and then kept,
// hidden when closed; on Smartphone it is modal and full screen with menu 145.
// Find Next searches forwards from the selection and wraps to the beginning once.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/Window.h"
#include "common/WideString.h"
#include "dialogs/DialogLayout.h"
#include "dialogs/ViewDialog.h"
#include "dialogs/EditSearch.h"
#include "document/DialogEditBox.h"

namespace brevitex {

class FindReplaceDialog : public ViewDialog {
public:
    using Self = FindReplaceDialog;

    FindReplaceDialog() : ViewDialog(kLayoutTable) {}

    // Smartphone: runs the dialog modally on a new window. 1 when Find Next, a
    // Replace or Replace All ended it, 2 after "返回" or Back, -1 on failure.
    INT_PTR OpenModal(HWND editControl);
    // Pocket PC: creates the window on first use, then shows it in find mode. 1, or 0 on failure.
    int OpenModeless(HWND editControl);

    // Searches forwards from one after the selection start, wrapping once; selects
    // the occurrence and returns its position, or -1 with the selection unchanged.
    static int FindNext(HWND editControl, const wchar_t* text, bool matchCase, bool wholeWord);

    // The view's "查找下一个": through the dialog when its window exists, else
    // (Smartphone) with the remembered text and options, else opens the dialog.
    void FindNextCommand(HWND editControl);
    // The view's "查找/替换...".
    void OpenCommand(HWND editControl);

    const WideString& FindText() const { return findText_; }
    bool IsModal() const override { return (flags_ & kModal) != 0; }
    bool IsReplaceMode() const { return (flags_ & kReplaceMode) != 0; }
    bool MatchCase() const { return (flags_ & kMatchCase) != 0; }
    bool WholeWord() const { return (flags_ & kWholeWord) != 0; }
    int RowShift() const { return static_cast<int16_t>((flags_ >> kRowShiftBit) & 0xFFFF); }
    uint32_t Flags() const { return flags_; }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static constexpr uint32_t kModal = 0x1;
    static constexpr uint32_t kReplaceMode = 0x2;
    static constexpr uint32_t kMatchCase = 0x4;
    static constexpr uint32_t kWholeWord = 0x8;
    static constexpr int kRowShiftBit = 4;
    static constexpr uint32_t kRowShiftMask = 0xFFFFu << kRowShiftBit;

    void SetFlag(uint32_t flag, bool on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }
    void SetRowShift(int pixels);
    void Prepare(HWND editControl, bool modal);
    void SetEditControl(HWND editControl);
    // The control searched, found again when the view has re-created it.
    HWND EditControl();

    bool OnInitDialog(WPARAM, LPARAM, LRESULT& result);
    bool OnFindEditChange(WPARAM, LPARAM, LRESULT& result);
    bool OnFindNextButton(WPARAM, LPARAM, LRESULT& result);
    bool OnReplaceButton(WPARAM, LPARAM, LRESULT& result);
    bool OnReplaceAllButton(WPARAM, LPARAM, LRESULT& result);

    bool ReadOptions();
    static void RememberInHistory(HWND combo, const WideString& text);
    void Replace();
    void ReplaceAll();
    void ReplaceEverywhere(const WideString& replacement);
    // Over more occurrences than the control keeps undo steps for, the view
    // takes at once the text with all but the last of them replaced, as those
    // steps would have been forgotten anyway. The position where the
    // replacements go on one by one; 0 when nothing was replaced.
    int ReplaceAllButTheLast(const WideString& replacement);
    // The undo steps a rich edit control keeps.
    static constexpr size_t kLastReplacedOneByOne = 100;
    void SetReplaceMode(bool on);
    void UpdateButtons();
    bool SelectionIsOccurrence() const;
    void SetUpSmartphoneForm();

    static const MessageMapEntry<FindReplaceDialog> kMap[];
    static const LayoutRow kLayoutTable[];

    static constexpr int kClassNameLength = 64;

    HWND editControl_ = nullptr;
    HWND editParent_ = nullptr;
    wchar_t editClass_[kClassNameLength] = {};
    HWND findCombo_ = nullptr;
    HWND replaceCombo_ = nullptr;
    DialogEditBox findEditBox_;
    DialogEditBox replaceEditBox_;
    // modal, replaceMode, matchCase, wholeWord and the row shift, as one word.
    uint32_t flags_ = kReplaceMode | (24u << kRowShiftBit);
    WideString findText_;
};

}  // namespace brevitex
