// ViewDialog: the common part of the dialogs an edit view owns for its whole
// life (find and replace, short message). On Smartphone each opening runs the
// dialog modally, full screen; on Pocket PC one modeless window is created on
// first use, kept through the thread loop's message filter for keyboard
// navigation, and hidden rather than destroyed when closed.
#pragma once

#include <windows.h>

#include "common/Window.h"
#include "dialogs/DialogLayout.h"
#include "common/MessageLoop.h"

namespace brevitex {

class ViewDialog : public DialogBase, public MessageFilter {
public:
    explicit ViewDialog(const LayoutRow* layoutTable) : layout_(layoutTable) {}
    ~ViewDialog() override;

    virtual bool IsModal() const = 0;
    const DialogLayout& Layout() const { return layout_; }

    bool PreTranslateMessage(MSG* message) override;

protected:
    // Runs the template modally, owned by the edit control's top window.
    INT_PTR RunModal(HWND editControl, UINT templateId);
    // Creates the modeless window unless it exists; false when it cannot be had.
    bool EnsureModeless(HWND editControl, UINT templateId);

    // Handlers the dialogs put in their message maps.
    bool OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Command 2: modal, end the dialog with 2; modeless, hide the window.
    bool OnCancel(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnSize(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);

    DialogLayout layout_;

private:
    void UnregisterFilter();

    MessageLoop* filterLoop_ = nullptr;
};

}  // namespace brevitex
