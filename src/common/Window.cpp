// Binding of windows and dialogs to their objects, and message dispatch.
#include "common/Window.h"

#include <atomic>

#include "common/Subclass.h"
#include "common/WindowTable.h"

namespace brevitex {

namespace {

std::atomic<ModalDialogCreator> g_modalCreator{nullptr};
std::atomic<ModelessDialogCreator> g_modelessCreator{nullptr};

// The object the next window created on this thread binds to.
thread_local WindowBase* t_pendingObject = nullptr;

// Every bound window's object, looked up on each of its messages. Never
// destroyed: windows of other threads may still be dispatching while the
// process exits.
WindowTable& Bindings() {
    static WindowTable* const table = new WindowTable;
    return *table;
}

bool ReturnsValueDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

void PrepareBinding(WindowBase* object) { t_pendingObject = object; }

void SetDialogCreators(ModalDialogCreator modal, ModelessDialogCreator modeless) {
    g_modalCreator.store(modal);
    g_modelessCreator.store(modeless);
}

WindowBase::~WindowBase() {
    if (!hwnd_) return;
    // The object goes away before its window: unbind so no message reaches a
    // dead object (also when the window went without its last message).
    HWND hwnd = hwnd_;
    bool alive = IsWindow(hwnd) != FALSE;
    Unbind();
    if (alive) DestroyWindow(hwnd);
}

WindowBase* WindowBase::FromHandle(HWND hwnd) { return static_cast<WindowBase*>(Bindings().Find(hwnd)); }

void WindowBase::Bind(HWND hwnd) {
    hwnd_ = hwnd;
    Bindings().Set(hwnd, this);
}

void WindowBase::Unbind() {
    if (!hwnd_) return;
    if (subclassed_) {
        RemoveSubclass(hwnd_, SubclassProc, reinterpret_cast<UINT_PTR>(this));
        subclassed_ = false;
    }
    Bindings().Remove(hwnd_, this);
    hwnd_ = nullptr;
}

void WindowBase::Detach(WNDPROC proc) {
    HWND hwnd = hwnd_;
    if (!hwnd) return;
    const bool subclassed = subclassed_;
    Unbind();
    // A subclass removed gives the window the procedure under it back, once
    // no call runs on its chain; replacing the procedure now would leave the
    // chain in place, passing by any subclass added later.
    if (!subclassed) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

HWND WindowBase::CreateBound(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                             int x, int y, int width, int height, HWND parent, HMENU menu,
                             HINSTANCE instance, void* param) {
    PrepareBinding(this);
    HWND hwnd = CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                                instance, param);
    if (t_pendingObject == this) t_pendingObject = nullptr;
    return hwnd;
}

bool WindowBase::Subclass(HWND hwnd) {
    if (!hwnd || hwnd_) return false;
    auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    if (!old) return false;
    Bind(hwnd);
    if (!AddSubclass(hwnd, SubclassProc, reinterpret_cast<UINT_PTR>(this), this)) {
        Unbind();
        return false;
    }
    baseProc_ = old;
    subclassed_ = true;
    return true;
}

LRESULT WindowBase::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (subclassed_) return CallNextSubclass(hwnd_, message, wParam, lParam);
    return CallWindowProcW(baseProc_, hwnd_, message, wParam, lParam);
}

LRESULT WindowBase::Dispatch(WindowBase* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (message != WM_NCDESTROY) {
        if (self->OnMessage(message, wParam, lParam, result)) return result;
        return self->DefaultProc(message, wParam, lParam);
    }
    self->OnMessage(message, wParam, lParam, result);
    result = self->DefaultProc(message, wParam, lParam);
    self->Unbind();
    self->OnFinalMessage();
    return result;
}

LRESULT CALLBACK WindowBase::StartWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = FromHandle(hwnd);
    if (!self) {
        self = t_pendingObject;
        if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
        t_pendingObject = nullptr;
        self->Bind(hwnd);
    }
    return Dispatch(self, hwnd, message, wParam, lParam);
}

LRESULT WindowBase::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, void* data) {
    return Dispatch(static_cast<WindowBase*>(data), hwnd, message, wParam, lParam);
}

INT_PTR DialogBase::DoModal(HWND owner, UINT templateId, HINSTANCE instance) {
    if (!instance) instance = GetModuleHandleW(nullptr);
    PrepareBinding(this);
    // The system's creator is called directly: its calling convention is not
    // the creators' one on 32-bit Windows.
    ModalDialogCreator create = g_modalCreator.load();
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    INT_PTR result = create ? create(instance, MAKEINTRESOURCEW(templateId), owner, StartDialogProc, self)
                            : DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, StartDialogProc, self);
    if (t_pendingObject == this) t_pendingObject = nullptr;
    return result;
}

HWND DialogBase::CreateModeless(HWND owner, UINT templateId, HINSTANCE instance) {
    if (!instance) instance = GetModuleHandleW(nullptr);
    PrepareBinding(this);
    ModelessDialogCreator create = g_modelessCreator.load();
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    HWND hwnd = create ? create(instance, MAKEINTRESOURCEW(templateId), owner, StartDialogProc, self)
                       : CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, StartDialogProc, self);
    if (t_pendingObject == this) t_pendingObject = nullptr;
    return hwnd;
}

LRESULT DialogBase::DefaultProc(UINT, WPARAM, LPARAM) { return 0; }

INT_PTR CALLBACK DialogBase::StartDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<DialogBase*>(FromHandle(hwnd));
    if (!self) {
        self = static_cast<DialogBase*>(t_pendingObject);
        if (!self) return FALSE;
        t_pendingObject = nullptr;
        self->Bind(hwnd);
    }
    LRESULT result = 0;
    bool consumed = self->OnMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        self->Unbind();
        self->OnFinalMessage();
        return FALSE;
    }
    if (!consumed) {
        // Reflect unhandled control notifications back to the control that sent them.
        HWND control = nullptr;
        if (message == WM_COMMAND && lParam) {
            control = reinterpret_cast<HWND>(lParam);
        } else if (message == WM_NOTIFY && lParam) {
            control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        }
        if (!control || control == hwnd || !IsWindow(control)) return FALSE;
        result = SendMessageW(control, kReflectBase + message, wParam, lParam);
        if (!result) return FALSE;
    }
    if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace brevitex
