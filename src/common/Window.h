// Window and dialog objects with table-driven message maps.
//
// A window class registered with WindowBase::StartWindowProc binds each new
// window, on its first message, to the object that is being created on the
// same thread (see PrepareBinding); from then on every message goes to that
// object's OnMessage. Existing windows (controls in dialogs) are attached with
// Subclass, through the subclass chains of common/Subclass.h. Dialogs bind the
// same way through DialogBase.
//
// A message map is an ordered table of (message, id, code) -> handler. A
// handler returns true when it consumed the message (result set), false to let
// the message go on to the next entry and finally to the default procedure.
#pragma once

#include <windows.h>

#include <cstddef>

namespace brevitex {

inline constexpr UINT kAnyId = 0xFFFFFFFFu;
inline constexpr UINT kAnyCode = 0xFFFFFFFFu;

// Notifications a dialog does not handle are sent back to their control as
// kReflectBase + the original message (WM_COMMAND or WM_NOTIFY).
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;

template <class T>
struct MessageMapEntry {
    UINT message;
    UINT id;    // WM_COMMAND: command id; WM_NOTIFY: idFrom; otherwise kAnyId
    UINT code;  // WM_COMMAND: notification code; WM_NOTIFY: code; otherwise kAnyCode
    bool (T::*handler)(WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// Entry builders for readable tables; the class declares `using Self = ClassName;`.
#define BX_MESSAGE(msg, fn) {(msg), ::brevitex::kAnyId, ::brevitex::kAnyCode, &Self::fn}
#define BX_COMMAND(id, fn) {WM_COMMAND, static_cast<UINT>(id), ::brevitex::kAnyCode, &Self::fn}
#define BX_COMMAND_CODE(id, code, fn) {WM_COMMAND, static_cast<UINT>(id), static_cast<UINT>(code), &Self::fn}
#define BX_ANY_COMMAND(fn) {WM_COMMAND, ::brevitex::kAnyId, ::brevitex::kAnyCode, &Self::fn}
#define BX_NOTIFY(id, code, fn) {WM_NOTIFY, static_cast<UINT>(id), static_cast<UINT>(code), &Self::fn}
// A notification of the control itself, reflected back to it by its parent.
#define BX_REFLECTED_NOTIFY(code, fn) \
    {::brevitex::kReflectBase + WM_NOTIFY, ::brevitex::kAnyId, static_cast<UINT>(code), &Self::fn}

// Runs the first matching entries of a map in order until one consumes the message.
template <class T, size_t N>
bool RouteMessage(T* self, const MessageMapEntry<T> (&map)[N], UINT message, WPARAM wParam,
                  LPARAM lParam, LRESULT& result) {
    UINT id = kAnyId;
    UINT code = kAnyCode;
    if (message == WM_COMMAND) {
        id = LOWORD(wParam);
        code = HIWORD(wParam);
    } else if ((message == WM_NOTIFY || message == kReflectBase + WM_NOTIFY) && lParam) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        id = static_cast<UINT>(header->idFrom);
        code = header->code;
    }
    for (const auto& entry : map) {
        if (entry.message != message) continue;
        if (entry.id != kAnyId && entry.id != id) continue;
        if (entry.code != kAnyCode && entry.code != code) continue;
        if ((self->*entry.handler)(wParam, lParam, result)) return true;
    }
    return false;
}

class WindowBase {
public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND Handle() const noexcept { return hwnd_; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(hwnd_, message, wParam, lParam);
    }

    // The window procedure of classes whose windows bind to objects.
    static LRESULT CALLBACK StartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Creates a window of a class registered with StartWindowProc bound to this object.
    HWND CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* param);

    // Attaches this object to an existing window as a subclass; unconsumed
    // messages go on to the subclasses under it and the window's procedure.
    bool Subclass(HWND hwnd);

    // Messages for the object: true when consumed, with the result set.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

    // What unconsumed messages get: the base procedure (the default window
    // procedure unless the class is a superclass or the window subclassed).
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The object bound to a window, or null; cheap, and safe from any thread.
    static WindowBase* FromHandle(HWND hwnd);

protected:
    // Called after the window's last message (WM_NCDESTROY); hwnd is already null.
    virtual void OnFinalMessage() {}

    // Lets the window live on without this object: from now on its messages
    // go straight to `proc` (a subclassed window's go to the procedure under
    // the subclass). The object is then free for another window.
    void Detach(WNDPROC proc);

    // Binds this object to a window: FromHandle finds it from now on.
    void Bind(HWND hwnd);
    // Ends the binding (and the subclass of a subclassed window); the
    // window's later messages find no object.
    void Unbind();

    // The base procedure for unconsumed messages (superclasses set their base class's).
    WNDPROC baseProc_ = DefWindowProcW;
    HWND hwnd_ = nullptr;

private:
    static LRESULT SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, void* data);
    static LRESULT Dispatch(WindowBase* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool subclassed_ = false;
};

class DialogBase : public WindowBase {
public:
    // Runs the dialog template modally; returns the EndDialog value, or -1.
    INT_PTR DoModal(HWND owner, UINT templateId, HINSTANCE instance = nullptr);
    // Creates the dialog modeless; null on failure.
    HWND CreateModeless(HWND owner, UINT templateId, HINSTANCE instance = nullptr);

    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    static INT_PTR CALLBACK StartDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Sets the object that the next window created on this thread is bound to.
void PrepareBinding(WindowBase* object);

// The functions DialogBase creates its dialogs with, shaped as DialogBoxParamW
// and CreateDialogParamW (which are used while none are set). The device layer
// sets its own when a UI thread attaches to it.
using ModalDialogCreator = INT_PTR (*)(HINSTANCE instance, const wchar_t* templateName, HWND owner,
                                       DLGPROC proc, LPARAM param);
using ModelessDialogCreator = HWND (*)(HINSTANCE instance, const wchar_t* templateName, HWND owner,
                                       DLGPROC proc, LPARAM param);
void SetDialogCreators(ModalDialogCreator modal, ModelessDialogCreator modeless);

}  // namespace brevitex
