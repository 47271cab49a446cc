// The settings store under HKEY_CURRENT_USER\Software\Korvanth\Brevitex.
#include "shell/Settings.h"

#include <cwchar>

namespace brevitex {

namespace {

constexpr REGSAM kKeyAccess = 0x2001F;
constexpr wchar_t kWordWrap[] = L"WordWrap";
constexpr wchar_t kToolBarVisible[] = L"ToolBarVisible";
constexpr wchar_t kLastFilePath[] = L"LastFilePath";
constexpr wchar_t kFontNamePrefix[] = L"FontName_";
constexpr wchar_t kFontSizePrefix[] = L"FontSize_";
constexpr wchar_t kFontSuffix[] = L"Edit";
// String values are read into 256 units: 255 characters and the terminator.
constexpr DWORD kStringUnits = 256;

// The settings key, opened as it is or created when missing; empty when it cannot be had.
UniqueRegistryKey OpenSettingsKey(bool create) {
    HKEY key = nullptr;
    LSTATUS status = create ? RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, kKeyAccess, nullptr,
                                              &key, nullptr)
                            : RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, kKeyAccess, &key);
    return UniqueRegistryKey(status == ERROR_SUCCESS ? key : nullptr);
}

// A number value, 4 bytes whatever its registry type; value is kept when it cannot be read.
void ReadNumber(HKEY key, const wchar_t* name, DWORD& value) {
    DWORD read = 0;
    DWORD size = sizeof(read);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size) == ERROR_SUCCESS &&
        size == sizeof(read)) {
        value = read;
    }
}

// A string value; empty unless it is a terminated REG_SZ or REG_EXPAND_SZ that fits.
WideString ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[kStringUnits];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) {
        return {};
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    if (size % sizeof(wchar_t) != 0 || size == 0) return {};
    if (buffer[size / sizeof(wchar_t) - 1] != 0) return {};
    return WideString(buffer);
}

void WriteNumber(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void WriteString(HKEY key, const wchar_t* name, const wchar_t* text, size_t length) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((length + 1) * sizeof(wchar_t)));
}

WideString FontValueName(const wchar_t* prefix) {
    WideString name(prefix);
    name.Append(kFontSuffix);
    return name;
}

}  // namespace

void SystemFontDescription(LOGFONTW& font) {
    font = LOGFONTW{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
}

HFONT LoadEditFont(HKEY key) {
    WideString name = ReadString(key, FontValueName(kFontNamePrefix));
    DWORD size = 0;
    ReadNumber(key, FontValueName(kFontSizePrefix), size);
    if (name.IsEmpty() || size == 0) return nullptr;
    LOGFONTW font;
    SystemFontDescription(font);
    lstrcpynW(font.lfFaceName, name, LF_FACESIZE);  // at most 31 characters, terminated
    font.lfHeight = static_cast<LONG>(size);
    return CreateFontIndirectW(&font);
}

void SaveEditFont(HFONT font, HKEY key) {
    if (!font) return;
    LOGFONTW description{};
    if (GetObjectW(font, sizeof(description), &description) == 0) return;
    description.lfFaceName[LF_FACESIZE - 1] = 0;
    WriteString(key, FontValueName(kFontNamePrefix), description.lfFaceName, wcslen(description.lfFaceName));
    WriteNumber(key, FontValueName(kFontSizePrefix), static_cast<DWORD>(description.lfHeight));
}

void LoadSettings(FrameSettings& settings) {
    UniqueRegistryKey key = OpenSettingsKey(false);
    if (!key) return;
    DWORD wordWrap = settings.wordWrap ? 1 : 0;
    DWORD toolBarVisible = settings.toolBarVisible ? 1 : 0;
    ReadNumber(key.Get(), kWordWrap, wordWrap);
    ReadNumber(key.Get(), kToolBarVisible, toolBarVisible);
    settings.wordWrap = wordWrap != 0;
    settings.toolBarVisible = toolBarVisible != 0;
    settings.editFont.Reset(LoadEditFont(key.Get()));
    SetLastFilePath(ReadString(key.Get(), kLastFilePath));
}

void SaveSettings(HWND edit, HWND toolbar, HFONT editFont, bool wrapDeclined) {
    UniqueRegistryKey key = OpenSettingsKey(true);
    if (!key) return;
    // Word wrap declined for a document's long lines is still the user's choice.
    bool wordWrap = wrapDeclined || (GetWindowLongW(edit, GWL_STYLE) & ES_WANTRETURN) != 0;
    WriteNumber(key.Get(), kWordWrap, wordWrap ? 1 : 0);
    if (toolbar) WriteNumber(key.Get(), kToolBarVisible, (GetWindowLongW(toolbar, GWL_STYLE) & WS_VISIBLE) ? 1 : 0);
    SaveEditFont(editFont, key.Get());
    WideString folder = LastFilePath();
    WriteString(key.Get(), kLastFilePath, folder, static_cast<size_t>(folder.Length()));
}

}  // namespace brevitex
