// The font dialog: face and size lists, the sign of the height, the weight
// carried by the hidden bold box, and Cancel.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "DialogTestHelpers.h"
#include "dialogs/FontDialog.h"
#include "resources/resource.h"

using namespace brevitex;
using namespace dialogtests;

namespace {

LOGFONTW Font(LONG height, LONG weight, const std::wstring& face) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = TRUE;  // a field the dialog must leave alone
    lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return font;
}

// A face the platform lists.
std::wstring ListedFace() {
    std::wstring face;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesW(screen, nullptr, [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM out) CALLBACK -> int {
        if (font->lfFaceName[0] == L'@') return 1;
        *reinterpret_cast<std::wstring*>(out) = font->lfFaceName;
        return 0;
    }, reinterpret_cast<LPARAM>(&face));
    ReleaseDC(nullptr, screen);
    return face;
}

std::wstring ItemText(HWND combo, LRESULT index) {
    wchar_t text[LF_FACESIZE] = {};
    if (index != CB_ERR) SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

struct Seen {
    std::vector<std::wstring> sizes;
    std::wstring size, face;
    bool boldVisible = true, boldChecked = false;
};

// Runs RunFontDialog on font: records what it shows, lets `choose` act, then sends `button`.
bool RunDialog(LOGFONTW& font, Seen* seen, const std::function<void(HWND)>& choose = nullptr, int button = IDOK) {
    ModalDriver driver([&](HWND dialog) {
        HWND sizes = GetDlgItem(dialog, IDC_FONT_SIZE);
        HWND faces = GetDlgItem(dialog, IDC_FONT_FACE);
        if (seen) {
            const int count = static_cast<int>(SendMessageW(sizes, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                seen->sizes.push_back(ItemText(sizes, i));
                EXPECT_EQ(SendMessageW(sizes, CB_GETITEMDATA, i, 0), std::stol(seen->sizes.back()));
            }
            seen->size = ItemText(sizes, SendMessageW(sizes, CB_GETCURSEL, 0, 0));
            seen->face = ItemText(faces, SendMessageW(faces, CB_GETCURSEL, 0, 0));
            seen->boldVisible = IsWindowVisible(GetDlgItem(dialog, IDC_FONT_BOLD)) != FALSE;
            seen->boldChecked = IsDlgButtonChecked(dialog, IDC_FONT_BOLD) == BST_CHECKED;
        }
        if (choose) choose(dialog);
        SendMessageW(dialog, WM_COMMAND, button, 0);
    });
    const bool ok = RunFontDialog(nullptr, font);
    EXPECT_TRUE(driver.Acted());
    return ok;
}

}  // namespace

TEST(FontDialogTest, NegativeHeightOpensAsItsSizeAndComesBackPositive) {
    const std::wstring face = ListedFace();
    ASSERT_FALSE(face.empty());
    LOGFONTW font = Font(-12, FW_NORMAL, face);
    Seen seen;
    EXPECT_TRUE(RunDialog(font, &seen));
    EXPECT_EQ(seen.size, L"12");
    EXPECT_EQ(seen.face, face);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(std::wstring(font.lfFaceName), face);
    EXPECT_TRUE(font.lfItalic);
}

TEST(FontDialogTest, SixteenSizesEndingAtThirtyFourAndUnlistedValuesKept) {
    LOGFONTW font = Font(-13, FW_NORMAL, L"No Such Face");
    Seen seen;
    RunDialog(font, &seen);
    const std::vector<std::wstring> expected = {L"8",  L"9",  L"10", L"11", L"12", L"14", L"16", L"18",
                                                L"20", L"22", L"24", L"26", L"28", L"30", L"32", L"34"};
    EXPECT_EQ(seen.sizes, expected);
    EXPECT_EQ(seen.size, L"");
    EXPECT_EQ(seen.face, L"");
    EXPECT_EQ(font.lfHeight, 13);
    EXPECT_STREQ(font.lfFaceName, L"No Such Face");
}

TEST(FontDialogTest, ChoosingASizeAndAFace) {
    const std::wstring face = ListedFace();
    LOGFONTW font = Font(-16, FW_NORMAL, L"No Such Face");
    RunDialog(font, nullptr, [&](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_FONT_FACE), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(face.c_str()));
        SendMessageW(GetDlgItem(dialog, IDC_FONT_SIZE), CB_SETCURSEL, 15, 0);
    });
    EXPECT_EQ(font.lfHeight, 34);
    EXPECT_EQ(std::wstring(font.lfFaceName), face);
}

TEST(FontDialogTest, WeightComesBackAsBoldOrNormal) {
    const struct {
        LONG weight, expected;
    } cases[] = {{600, 700}, {900, 700}, {599, 400}, {0, 400}};
    for (const auto& c : cases) {
        LOGFONTW font = Font(12, c.weight, L"x");
        Seen seen;
        RunDialog(font, &seen);
        EXPECT_FALSE(seen.boldVisible);
        EXPECT_EQ(seen.boldChecked, c.expected == 700) << c.weight;
        EXPECT_EQ(font.lfWeight, c.expected) << c.weight;
    }
}

TEST(FontDialogTest, CancelAndSmartphoneBackLeaveTheFontUntouched) {
    LOGFONTW font = Font(-12, 650, ListedFace());
    const LOGFONTW before = font;
    EXPECT_FALSE(RunDialog(font, nullptr, [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_FONT_SIZE), CB_SETCURSEL, 0, 0);
    }, IDCANCEL));
    EXPECT_EQ(std::memcmp(&font, &before, sizeof(font)), 0);

    PlatformScope smartphone(true);
    bool openAfterPress = false;
    ModalDriver driver([&](HWND dialog) {
        SetFocus(GetDlgItem(dialog, IDC_FONT_SIZE));
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0, VK_ESCAPE));
        openAfterPress = IsWindowVisible(dialog) != FALSE;
        SendMessageW(dialog, WM_HOTKEY, 0, MAKELPARAM(0x1000, VK_ESCAPE));
    });
    EXPECT_FALSE(RunFontDialog(nullptr, font));
    EXPECT_TRUE(driver.Acted());
    EXPECT_TRUE(openAfterPress);
    EXPECT_EQ(std::memcmp(&font, &before, sizeof(font)), 0);
}
