// The settings store: defaults, values that read as empty, the font's face
// name limit, what a closing frame writes on each form, settings surviving a
// new window, and the shared last folder under concurrent use.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "FrameTestSupport.h"
#include "resources/resource.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { SetLastFilePath(L"\\before\\"); }
    void TearDown() override { SetLastFilePath(L""); }

    static void WriteString(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        SettingsKeyGuard::WriteRaw(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
    }
    static FrameSettings Load() {
        FrameSettings settings;
        LoadSettings(settings);
        return settings;
    }
    static std::wstring FaceOf(HFONT font) {
        LOGFONTW description{};
        GetObjectW(font, sizeof(description), &description);
        return description.lfFaceName;
    }

    SettingsKeyGuard key_;
};

}  // namespace

TEST_F(SettingsTest, FirstRunGivesTheDefaults) {
    FrameSettings settings = Load();
    EXPECT_FALSE(settings.wordWrap);
    EXPECT_TRUE(settings.toolBarVisible);
    EXPECT_FALSE(settings.editFont);
    EXPECT_EQ(std::wstring(LastFilePath()), L"\\before\\") << "without a key nothing else is read";
}

TEST_F(SettingsTest, StoredValuesAreRead) {
    SettingsKeyGuard::WriteNumber(L"WordWrap", 1);
    SettingsKeyGuard::WriteNumber(L"ToolBarVisible", 0);
    WriteString(L"FontName_Edit", L"Tahoma");
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", static_cast<DWORD>(-13));
    WriteString(L"LastFilePath", L"%TEMP%\\notes\\", REG_EXPAND_SZ);
    FrameSettings settings = Load();
    EXPECT_TRUE(settings.wordWrap);
    EXPECT_FALSE(settings.toolBarVisible);
    ASSERT_TRUE(settings.editFont);
    LOGFONTW description{};
    GetObjectW(settings.editFont.Get(), sizeof(description), &description);
    EXPECT_STREQ(description.lfFaceName, L"Tahoma");
    EXPECT_EQ(description.lfHeight, -13);
    EXPECT_EQ(std::wstring(LastFilePath()), L"%TEMP%\\notes\\") << "taken as it is, unexpanded";
}

TEST_F(SettingsTest, BadAndOverLongStringsReadAsEmpty) {
    std::wstring longest(255, L'x');
    WriteString(L"LastFilePath", longest);
    Load();
    EXPECT_EQ(std::wstring(LastFilePath()), longest);

    struct Bad {
        DWORD type;
        std::wstring data;
        DWORD bytes;
    };
    // "ab" of "abc": a following character keeps the registry from adding a terminator.
    const Bad cases[] = {{REG_SZ, std::wstring(256, L'x'), 514},  // one character too long
                         {REG_SZ, L"abc", 4},
                         {REG_SZ, L"abc", 7},  // odd byte count
                         {REG_BINARY, L"ab", 6}};
    for (const Bad& bad : cases) {
        SetLastFilePath(L"x");
        SettingsKeyGuard::WriteRaw(L"LastFilePath", bad.type, bad.data.c_str(), bad.bytes);
        Load();
        EXPECT_EQ(std::wstring(LastFilePath()), L"") << bad.bytes;
    }

    // A font needs a string name and a size other than 0.
    SettingsKeyGuard::WriteRaw(L"FontName_Edit", REG_BINARY, L"Tahoma", 14);
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", 12);
    EXPECT_FALSE(Load().editFont);
    WriteString(L"FontName_Edit", L"Tahoma");
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", 0);
    EXPECT_FALSE(Load().editFont);
    SettingsKeyGuard::Remove();
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", 12);
    EXPECT_FALSE(Load().editFont);
}

TEST_F(SettingsTest, FaceNameIsCutToThirtyOneCharacters) {
    std::wstring face = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";  // 40
    WriteString(L"FontName_Edit", face);
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", 16);
    UniqueFont font = Load().editFont;
    ASSERT_TRUE(font);
    EXPECT_EQ(FaceOf(font.Get()), face.substr(0, 31));

    // Saving it back writes the cut name with its terminator.
    SettingsKeyGuard::Remove();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    SaveEditFont(font.Get(), key);
    wchar_t stored[64] = {};
    DWORD bytes = sizeof(stored);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"FontName_Edit", nullptr, &type, reinterpret_cast<BYTE*>(stored), &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 64u);
    EXPECT_EQ(std::wstring(stored), face.substr(0, 31));
    RegCloseKey(key);
}

TEST_F(SettingsTest, SaveWritesWhatTheFrameShows) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | ES_WANTRETURN, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    HWND toolbar = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetLastFilePath(L"");
    SaveSettings(edit, toolbar, nullptr);
    DWORD value = 99;
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"WordWrap", &value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"ToolBarVisible", &value));
    EXPECT_EQ(value, 0u) << "a hidden toolbar";
    wchar_t stored[8] = {L'?'};
    DWORD bytes = sizeof(stored);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"LastFilePath", RRF_RT_REG_SZ, nullptr, stored, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(bytes, 2u) << "an empty folder is one zero character";
    DWORD missing = 0;
    EXPECT_FALSE(SettingsKeyGuard::ReadNumber(L"FontSize_Edit", &missing)) << "no font, nothing written";

    // Without a toolbar window (Smartphone) the stored visibility stays.
    SettingsKeyGuard::WriteNumber(L"ToolBarVisible", 7);
    SaveSettings(edit, nullptr, nullptr);
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"ToolBarVisible", &value));
    EXPECT_EQ(value, 7u);

    // Word wrap declined for a document's long lines stays on in the settings.
    HWND unwrapped = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SaveSettings(unwrapped, nullptr, nullptr, true);
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"WordWrap", &value));
    EXPECT_EQ(value, 1u);
    SaveSettings(unwrapped, nullptr, nullptr);
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"WordWrap", &value));
    EXPECT_EQ(value, 0u);
    DestroyWindow(unwrapped);
    DestroyWindow(edit);
    DestroyWindow(toolbar);
}

TEST_F(SettingsTest, LastFilePathStaysWholeUnderConcurrentUse) {
    const std::vector<std::wstring> values{L"\\a\\", std::wstring(200, L'b') + L"\\", L"\\ccc\\ddd\\"};
    std::atomic<bool> torn{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20000; ++i) {
                if ((i + t) % 2) {
                    SetLastFilePath(values[(i + t) % values.size()].c_str());
                } else {
                    WideString read = LastFilePath();
                    std::wstring text(read.c_str(), read.Length());
                    bool known = text.empty() || text == L"\\before\\";
                    for (const auto& v : values) known |= text == v;
                    if (!known) torn = true;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_FALSE(torn);
}

// Settings written by a closing window are the next window's.
using SettingsRestartTest = FrameTest;

TEST_F(SettingsRestartTest, WordWrapSurvivesANewWindow) {
    CreateFrame();
    EXPECT_FALSE(GetWindowLongW(Edit(), GWL_STYLE) & ES_WANTRETURN);
    Command(ID_VIEW_WORDWRAP);
    ASSERT_TRUE(Close());

    CreateFrame();
    EXPECT_TRUE(GetWindowLongW(Edit(), GWL_STYLE) & ES_WANTRETURN);
    Command(ID_VIEW_WORDWRAP);
    ASSERT_TRUE(Close());

    CreateFrame();
    EXPECT_FALSE(GetWindowLongW(Edit(), GWL_STYLE) & ES_WANTRETURN) << "switched off and closed";
}

TEST_F(SettingsRestartTest, SmartphoneCloseLeavesToolBarVisibleAlone) {
    testsupport::PlatformScope smartphone(true);
    SettingsKeyGuard::WriteNumber(L"ToolBarVisible", 0);
    CreateFrame();
    ASSERT_TRUE(Close());
    DWORD value = 99;
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"ToolBarVisible", &value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(SettingsKeyGuard::ReadNumber(L"WordWrap", &value)) << "the other values are written";
}
