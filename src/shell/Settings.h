// The settings store: the preferences every frame reads while its window is
// created and writes when its window may close, under one registry key of the
// current user, with the process-wide last folder of the file browser
// (LastFilePath, common/Module.h).
#pragma once

#include <windows.h>

#include "common/Handles.h"
#include "common/Module.h"
#include "common/WideString.h"

namespace brevitex {

// The key under HKEY_CURRENT_USER that holds the settings.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Korvanth\\Brevitex";

// What a frame takes from the settings when it is created.
struct FrameSettings {
    bool wordWrap = false;
    bool toolBarVisible = true;
    UniqueFont editFont;  // empty: the control's default font
};

// Reads the settings (defaults for whatever is missing) and sets LastFilePath.
void LoadSettings(FrameSettings& settings);

// Writes the settings of a frame that is allowed to close: word wrap from the
// edit control's style (on also when it was declined for the document's long
// lines), the toolbar's visibility when there is a toolbar
// window, the edit font when there is one, and LastFilePath.
void SaveSettings(HWND edit, HWND toolbar, HFONT editFont, bool wrapDeclined = false);

// The description new edit fonts start from: the platform's default
// proportional user-interface font.
void SystemFontDescription(LOGFONTW& font);

// The edit font described by an open settings key, or null.
HFONT LoadEditFont(HKEY key);
// Writes the face name and height of a font into an open settings key; nothing without a font.
void SaveEditFont(HFONT font, HKEY key);

}  // namespace brevitex
