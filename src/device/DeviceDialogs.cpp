// Dialogs on the device screen: full-screen initialisation, navigation-bar
// text, and creation from templates that ask for an OK button in the caption.
#include <cstring>
#include <vector>

#include "common/Handles.h"
#include "common/Subclass.h"
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

constexpr DWORD kInitFlagsValid = 0x1;
constexpr DWORD kDoneButton = 0x1;
constexpr DWORD kFullScreen = 0x4;
constexpr DWORD kPanelDown = 0x8;

const wchar_t kCaptionOkText[] = L"OK";

LRESULT CaptionOkProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, void*);

// ---- Caption OK button ----------------------------------------------------------

// The OK button's rectangle in screen coordinates: right of the caption, left
// of the close button.
bool CaptionOkScreenRect(HWND dialog, RECT* rect) {
    if (!FindSubclass(dialog, CaptionOkProc, 0)) return false;
    if ((GetWindowLongW(dialog, GWL_STYLE) & WS_CAPTION) != WS_CAPTION) return false;
    TITLEBARINFO title{};
    title.cbSize = sizeof(title);
    if (!GetTitleBarInfo(dialog, &title) || IsRectEmpty(&title.rcTitleBar)) return false;
    const RECT& bar = title.rcTitleBar;
    int height = bar.bottom - bar.top;
    int buttonWidth = GetSystemMetrics(SM_CXSIZE);
    int width = 2 * buttonWidth;
    int right = bar.right - buttonWidth - 4;
    if (right - width <= bar.left) return false;
    *rect = RECT{right - width, bar.top + 2, right, bar.top + height - 2};
    return true;
}

void PaintCaptionOk(HWND dialog) {
    RECT button{};
    if (!CaptionOkScreenRect(dialog, &button)) return;
    RECT window{};
    GetWindowRect(dialog, &window);
    OffsetRect(&button, -window.left, -window.top);
    WindowDc windowDc(dialog, WindowDc::kWholeWindow);
    if (!windowDc) return;
    HDC dc = windowDc.Get();
    FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &button, EDGE_RAISED, BF_RECT);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    UniqueFont font;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font.Reset(CreateFontIndirectW(&metrics.lfCaptionFont));
    }
    SelectedObject captionFont(dc, font.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, kCaptionOkText, -1, &button, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool OnCaptionOk(HWND dialog, LPARAM lParam) {
    RECT button{};
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return CaptionOkScreenRect(dialog, &button) && PtInRect(&button, point);
}

// Chained in front of the dialog's window procedure: draws the button over the
// caption, hit-tests it and turns a click on it into command IDOK.
LRESULT CaptionOkProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, void*) {
    switch (message) {
    case WM_NCHITTEST:
        if (OnCaptionOk(dialog, lParam)) return kCaptionOkHitTest;
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (wParam == static_cast<WPARAM>(kCaptionOkHitTest)) {
            if (message == WM_NCLBUTTONDOWN) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
        break;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_SETTEXT: {
        LRESULT result = CallNextSubclass(dialog, message, wParam, lParam);
        PaintCaptionOk(dialog);
        return result;
    }
    default:
        break;
    }
    return CallNextSubclass(dialog, message, wParam, lParam);
}

void AddCaptionOk(HWND dialog) {
    if (FindSubclass(dialog, CaptionOkProc, 0) || !AddSubclass(dialog, CaptionOkProc, 0, nullptr)) return;
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// ---- Templates -------------------------------------------------------------------

// A dialog template copied so its extended style can be changed.
struct TemplateCopy {
    std::vector<DWORD> words;  // DWORD storage keeps the template aligned
    bool captionOk = false;
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words.data()); }
};

bool CopyTemplate(HINSTANCE instance, const wchar_t* name, TemplateCopy* copy) {
    HRSRC resource = FindResourceW(instance, name, RT_DIALOG);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(instance, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = SizeofResource(instance, resource);
    if (!data || size < sizeof(DLGTEMPLATE)) return false;
    copy->words.assign((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    std::memcpy(copy->words.data(), data, size);
    auto* bytes = reinterpret_cast<unsigned char*>(copy->words.data());
    const auto* head = reinterpret_cast<const WORD*>(bytes);
    // The extended template starts with version 1 and signature 0xFFFF; its
    // extended style follows the help id. The plain one has it after the style.
    bool extended = head[0] == 1 && head[1] == 0xFFFF;
    size_t offset = extended ? 8 : 4;
    if (offset + sizeof(DWORD) > size) return false;
    DWORD exStyle = 0;
    std::memcpy(&exStyle, bytes + offset, sizeof(exStyle));
    copy->captionOk = (exStyle & kCaptionOkStyle) != 0;
    exStyle &= ~kCaptionOkStyle;
    std::memcpy(bytes + offset, &exStyle, sizeof(exStyle));
    return true;
}

// The procedure of a caption-OK dialog until its WM_INITDIALOG is through:
// then the button is added and the dialog's own procedure takes over.
thread_local DLGPROC t_pendingProc = nullptr;

INT_PTR CALLBACK CaptionOkStartProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DLGPROC proc = t_pendingProc;
    if (!proc) return FALSE;
    INT_PTR result = proc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        t_pendingProc = nullptr;
        SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
        AddCaptionOk(dialog);
    }
    return result;
}

// Runs `create` with the right procedure for the template; restores the
// pending procedure of an outer dialog still being created.
template <class Create>
auto WithTemplate(HINSTANCE instance, const wchar_t* name, DLGPROC proc, Create create) {
    if (!instance) instance = GetModuleHandleW(nullptr);
    TemplateCopy copy;
    if (!CopyTemplate(instance, name, &copy) || !copy.captionOk) return create(instance, nullptr, proc);
    DLGPROC outer = t_pendingProc;
    t_pendingProc = proc;
    auto result = create(instance, copy.Get(), CaptionOkStartProc);
    t_pendingProc = outer;
    return result;
}

}  // namespace

INT_PTR DeviceDialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND owner, DLGPROC proc,
                             LPARAM param) {
    return WithTemplate(instance, templateName, proc,
                        [&](HINSTANCE module, const DLGTEMPLATE* copy, DLGPROC startProc) -> INT_PTR {
                            if (!copy) return DialogBoxParamW(module, templateName, owner, startProc, param);
                            return DialogBoxIndirectParamW(module, copy, owner, startProc, param);
                        });
}

HWND DeviceCreateDialogParam(HINSTANCE instance, const wchar_t* templateName, HWND owner, DLGPROC proc,
                             LPARAM param) {
    return WithTemplate(instance, templateName, proc,
                        [&](HINSTANCE module, const DLGTEMPLATE* copy, DLGPROC startProc) -> HWND {
                            if (!copy) return CreateDialogParamW(module, templateName, owner, startProc, param);
                            return CreateDialogIndirectParamW(module, copy, owner, startProc, param);
                        });
}

bool DeviceCaptionOkRect(HWND dialog, RECT* rect) { return rect && CaptionOkScreenRect(dialog, rect); }

bool DeviceInitDialog(DialogInitInfo* info) {
    if (!info || !(info->mask & kInitFlagsValid) || !IsWindow(info->dialog)) return false;
    HWND dialog = info->dialog;
    if (info->flags & kFullScreen) {
        RECT area = DeviceWorkArea();
        RECT before{};
        GetClientRect(dialog, &before);
        SetWindowPos(dialog, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        RECT after{};
        GetClientRect(dialog, &after);
        // A dialog that already had the size still gets its layout pass.
        if (EqualRect(&before, &after)) {
            SendMessageW(dialog, WM_SIZE, SIZE_RESTORED, MAKELPARAM(after.right, after.bottom));
        }
    }
    if (info->flags & kPanelDown) DeviceSipPreference(dialog, kSipLower);
    // A Smartphone has no done button: its dialogs end through their soft keys.
    if ((info->flags & kDoneButton) && !IsSmartphonePlatform()) AddCaptionOk(dialog);
    return true;
}

bool DeviceSetNavBarText(HWND dialog, const wchar_t* text) {
    if (!IsWindow(dialog) || !text) return false;
    return SetWindowTextW(dialog, text) != FALSE;
}

}  // namespace brevitex
