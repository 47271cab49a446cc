// The info popup's read-outs of the document (lines, characters, encoding)
// and the About box.
#include "common/WideString.h"
#include "document/TextCodec.h"
#include "device/DeviceShell.h"
#include "resources/resource.h"
#include "common/Module.h"
#include "shell/MainFrame.h"

namespace brevitex {

namespace {

// The version is defined once, by the build (CMakeLists.txt).
constexpr wchar_t kVersionText[] = L"" BREVITEX_VERSION;
constexpr wchar_t kAuthor[] = L"Brevitex 开发者";
// The project has no home page or e-mail address of its own.
constexpr wchar_t kNoAddress[] = L"-";

void SetItemText(HMENU menu, UINT id, const WideString& text) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_TYPE;
    item.fType = MFT_STRING;
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu, id, FALSE, &item);
}

}  // namespace

bool MainFrame::RefreshInfoPopup(HMENU popup, LPARAM lParam) {
    if (!popup || HIWORD(lParam) != 0) return false;
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_ID | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(popup, 0, TRUE, &item) || item.hSubMenu || item.wID != ID_INFO_LINES) return false;

    const auto lines = client_ ? static_cast<unsigned>(SendMessageW(client_, EM_GETLINECOUNT, 0, 0)) : 0u;
    const auto characters = client_ ? static_cast<unsigned>(GetWindowTextLengthW(client_)) : 0u;
    WideString text;
    if (text.FormatId(IDS_INFO_LINES, lines)) SetItemText(popup, ID_INFO_LINES, text);
    if (text.FormatId(IDS_INFO_CHARS, characters)) SetItemText(popup, ID_INFO_CHARS, text);
    if (text.FormatId(IDS_INFO_ENCODING, EncodingDisplayName(view_.Encoding(), CP_ACP))) {
        SetItemText(popup, ID_INFO_ENCODING, text);
    }
    return true;
}

void MainFrame::ShowAbout() {
    WideString product;
    if (!product.Load(IDS_APP_TITLE)) product = ApplicationTitle();
    WideString text;
    if (!text.FormatId(IDS_ABOUT, product.c_str(), kVersionText, kAuthor, kNoAddress, kNoAddress)) return;
    DeviceMessageBox(hwnd_, text, ApplicationTitle(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace brevitex
