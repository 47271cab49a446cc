// The font dialog: face list from the platform's families, the fixed size list
// and the hidden bold box that carries the weight through.
#include "dialogs/FontDialog.h"

#include <cstdlib>
#include <cwchar>

#include "common/Handles.h"
#include "device/DeviceShell.h"
#include "dialogs/DialogFrame.h"
#include "resources/resource.h"
#include "common/Module.h"

namespace brevitex {

const MessageMapEntry<FontDialog> FontDialog::kMap[] = {
    BX_MESSAGE(WM_INITDIALOG, OnInitDialog),
    BX_MESSAGE(WM_HOTKEY, OnHotKey),
    BX_COMMAND(IDOK, OnOk),
    BX_COMMAND(IDCANCEL, OnCancel),
};

bool FontDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    return RouteMessage(this, kMap, message, wParam, lParam, result);
}

INT_PTR FontDialog::Run(HWND owner) { return DoModal(owner, IDD_FONT, ProgramInstance()); }

int CALLBACK FontDialog::AddFace(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD, LPARAM context) {
    auto* self = reinterpret_cast<FontDialog*>(context);
    const LRESULT index =
        SendMessageW(self->faceCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(logFont->lfFaceName));
    if (index >= 0 && wcscmp(logFont->lfFaceName, self->font_.lfFaceName) == 0) {
        SendMessageW(self->faceCombo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    return 1;  // always to the end of the list
}

void FontDialog::FillFaces() {
    WindowDc screen(nullptr);
    if (!screen) return;
    EnumFontFamiliesW(screen.Get(), nullptr, reinterpret_cast<FONTENUMPROCW>(&FontDialog::AddFace),
                      reinterpret_cast<LPARAM>(this));
}

void FontDialog::FillSizes() {
    for (int size : kSizes) {
        wchar_t text[12];
        _snwprintf(text, 12, L"%d", size);
        const LRESULT index = SendMessageW(sizeCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (index < 0) continue;
        SendMessageW(sizeCombo_, CB_SETITEMDATA, static_cast<WPARAM>(index), size);
        if (size == font_.lfHeight) SendMessageW(sizeCombo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

bool FontDialog::OnInitDialog(WPARAM, LPARAM, LRESULT& result) {
    faceCombo_ = GetDlgItem(hwnd_, IDC_FONT_FACE);
    sizeCombo_ = GetDlgItem(hwnd_, IDC_FONT_SIZE);
    FillFaces();
    font_.lfHeight = std::abs(font_.lfHeight);
    FillSizes();
    CheckDlgButton(hwnd_, IDC_FONT_BOLD, font_.lfWeight >= FW_SEMIBOLD ? BST_CHECKED : BST_UNCHECKED);
    if (IsSmartphonePlatform()) SetUpSmartphoneDialog(hwnd_, IDR_OK_CANCEL_BAR, 0);
    result = TRUE;
    return true;
}

bool FontDialog::OnHotKey(WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The menu bar hands the Back key over; with no edit field here, Back cancels on release.
    result = 0;
    return BackKeyInDialog(hwnd_, WM_HOTKEY, wParam, lParam);
}

bool FontDialog::OnOk(WPARAM, LPARAM, LRESULT& result) {
    const LRESULT face = SendMessageW(faceCombo_, CB_GETCURSEL, 0, 0);
    if (face != CB_ERR) {
        const LRESULT length = SendMessageW(faceCombo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(face), 0);
        if (length >= 0 && length < LF_FACESIZE) {
            SendMessageW(faceCombo_, CB_GETLBTEXT, static_cast<WPARAM>(face),
                         reinterpret_cast<LPARAM>(font_.lfFaceName));
        }
    }
    const LRESULT size = SendMessageW(sizeCombo_, CB_GETCURSEL, 0, 0);
    if (size != CB_ERR) {
        font_.lfHeight = static_cast<LONG>(SendMessageW(sizeCombo_, CB_GETITEMDATA, static_cast<WPARAM>(size), 0));
    }
    font_.lfWeight = IsDlgButtonChecked(hwnd_, IDC_FONT_BOLD) == BST_CHECKED ? FW_BOLD : FW_NORMAL;
    EndDialog(hwnd_, IDOK);
    result = 0;
    return true;
}

bool FontDialog::OnCancel(WPARAM, LPARAM, LRESULT& result) {
    EndDialog(hwnd_, IDCANCEL);
    result = 0;
    return true;
}

bool RunFontDialog(HWND owner, LOGFONTW& font) {
    FontDialog dialog(font);
    if (dialog.Run(owner) != IDOK) return false;
    font = dialog.Font();
    return true;
}

}  // namespace brevitex
