// The soft-key bar of the device layer: an owned popup at the bottom of the
// device screen showing a menu's two top-level items as the left and right
// soft keys, and the per-thread key routing (F1/F2, overridden keys).
#pragma once

#include <windows.h>

#include <vector>

#include "common/Handles.h"
#include "common/Window.h"
#include "device/DeviceShell.h"

namespace brevitex {

class MenuBar : public WindowBase {
public:
    using Self = MenuBar;

    // Creates the bar for info->parent from the menu or menu-bar resource; the
    // window handle goes to info->menuBar. False when nothing could be made.
    static bool Create(MenuBarInfo* info);

    // Presses soft key 0 (left) or 1 (right).
    void PressSoftKey(int index);
    // Number of soft keys (0 to 2).
    int SoftKeyCount() const;
    // The rectangle of a soft key in the bar's client coordinates.
    RECT SoftKeyRect(int index) const;

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    struct KeyOverride {
        UINT key;
        bool noDefault;
        bool notify;
    };

    MenuBar(HWND parent, HMENU menu);
    ~MenuBar() override = default;

    static HMENU LoadSoftKeyMenu(HINSTANCE instance, UINT id, bool idIsMenu);
    static HMENU LoadMenuBarResource(HINSTANCE instance, UINT id);
    static LRESULT CALLBACK KeyHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, void* data);

    // Rewrites a key message meant for the parent's windows; true when it did.
    bool TranslateKey(MSG* message, bool removing);
    void Register();
    void Unregister();
    void Reposition();
    void HookParent();
    void UnhookParent();
    void Paint(HDC dc);
    const KeyOverride* FindOverride(UINT key) const;

    bool OnPaint(WPARAM, LPARAM, LRESULT& result);
    bool OnMouseActivate(WPARAM, LPARAM, LRESULT& result);
    bool OnLButtonDown(WPARAM, LPARAM lParam, LRESULT& result);
    bool OnGetMenu(WPARAM, LPARAM, LRESULT& result);
    bool OnOverrideKey(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnPressKey(WPARAM wParam, LPARAM, LRESULT& result);
    bool OnScreenChange(WPARAM, LPARAM, LRESULT& result);
    bool OnDestroy(WPARAM, LPARAM, LRESULT& result);

    // A bar whose window was made deletes itself after the window's last message.
    void OnFinalMessage() override {
        if (created_) delete this;
    }

    bool created_ = false;

    HWND parent_;
    UniqueMenu menu_;
    UniqueFont font_;
    int pressed_ = -1;
    std::vector<KeyOverride> overrides_;
};

}  // namespace brevitex
