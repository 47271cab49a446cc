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

LOGFONTW StartingFont(LONG height, LONG weight, const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfItalic = TRUE;  // fields the dialog must leave alone
    font.lfQuality = 3;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

// A face the platform lists, as the dialog would see it.
std::wstring SomeListedFace() {
    std::wstring face;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesW(screen, nullptr, [](const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM context) -> int {
        auto* out = reinterpret_cast<std::wstring*>(context);
        if (font->lfFaceName[0] != L'@') *out = font->lfFaceName;
        return out->empty() ? 1 : 0;
    }, reinterpret_cast<LPARAM>(&face));
    ReleaseDC(nullptr, screen);
    return face;
}

struct Seen {
    std::vector<std::wstring> sizes;
    std::vector<LRESULT> sizeData;
    std::wstring selectedSize;
    std::wstring selectedFace;
    int faceCount = 0;
    bool boldVisible = true;
    bool boldChecked = false;
};

std::wstring SelectedText(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return L"";
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

// Runs the dialog on font, records what it shows, lets `choose` act, then sends `button`.
INT_PTR RunDialog(LOGFONTW& font, Seen* seen, const std::function<void(HWND)>& choose = nullptr, int button = IDOK) {
    ModalDriver driver([&](HWND dialog) {
        HWND sizes = GetDlgItem(dialog, IDC_FONT_SIZE);
        if (seen) {
            const int count = static_cast<int>(SendMessageW(sizes, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t text[16] = {};
                SendMessageW(sizes, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                seen->sizes.push_back(text);
                seen->sizeData.push_back(SendMessageW(sizes, CB_GETITEMDATA, i, 0));
            }
            seen->selectedSize = SelectedText(sizes);
            seen->selectedFace = SelectedText(GetDlgItem(dialog, IDC_FONT_FACE));
            seen->faceCount = static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_FONT_FACE), CB_GETCOUNT, 0, 0));
            seen->boldVisible = IsWindowVisible(GetDlgItem(dialog, IDC_FONT_BOLD)) != FALSE;
            seen->boldChecked = IsDlgButtonChecked(dialog, IDC_FONT_BOLD) == BST_CHECKED;
        }
        if (choose) choose(dialog);
        SendMessageW(dialog, WM_COMMAND, button, 0);
    });
    const bool ok = RunFontDialog(nullptr, font);
    EXPECT_TRUE(driver.Acted());
    return ok ? IDOK : IDCANCEL;
}

}  // namespace

TEST(FontDialogTest, NegativeHeightOpensAsItsSizeAndComesBackPositive) {
    const std::wstring face = SomeListedFace();
    ASSERT_FALSE(face.empty());
    LOGFONTW font = StartingFont(-12, FW_NORMAL, face.c_str());
    const LOGFONTW before = font;
    Seen seen;
    EXPECT_EQ(RunDialog(font, &seen), IDOK);
    EXPECT_EQ(seen.selectedSize, L"12");
    EXPECT_EQ(seen.selectedFace, face);
    EXPECT_GT(seen.faceCount, 0);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(std::wstring(font.lfFaceName), face);
    // Only height, weight and face are the dialog's.
    EXPECT_EQ(font.lfItalic, before.lfItalic);
    EXPECT_EQ(font.lfQuality, before.lfQuality);
    EXPECT_EQ(font.lfCharSet, before.lfCharSet);
}

TEST(FontDialogTest, SixteenSizesEndingAtThirtyFour) {
    LOGFONTW font = StartingFont(34, FW_NORMAL, L"Nonexistent Face");
    Seen seen;
    RunDialog(font, &seen);
    const std::vector<std::wstring> expected = {L"8",  L"9",  L"10", L"11", L"12", L"14", L"16", L"18",
                                                L"20", L"22", L"24", L"26", L"28", L"30", L"32", L"34"};
    EXPECT_EQ(seen.sizes, expected);
    for (size_t i = 0; i < seen.sizes.size(); ++i) EXPECT_EQ(seen.sizeData[i], std::stol(seen.sizes[i]));
    EXPECT_EQ(seen.selectedSize, L"34");
    // A face the platform does not list selects nothing, and OK keeps the name.
    EXPECT_EQ(seen.selectedFace, L"");
    EXPECT_STREQ(font.lfFaceName, L"Nonexistent Face");
}

TEST(FontDialogTest, ChoosingASizeAndAFace) {
    const std::wstring face = SomeListedFace();
    LOGFONTW font = StartingFont(-16, FW_NORMAL, L"Nonexistent Face");
    std::wstring chosenFace;
    RunDialog(font, nullptr, [&](HWND dialog) {
        HWND faces = GetDlgItem(dialog, IDC_FONT_FACE);
        SendMessageW(faces, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(face.c_str()));
        chosenFace = SelectedText(faces);
        SendMessageW(GetDlgItem(dialog, IDC_FONT_SIZE), CB_SETCURSEL, 15, 0);
    });
    EXPECT_EQ(font.lfHeight, 34);
    EXPECT_EQ(std::wstring(font.lfFaceName), chosenFace);
}

TEST(FontDialogTest, HeightOutsideTheListIsKeptPositive) {
    LOGFONTW font = StartingFont(-13, FW_NORMAL, L"x");
    Seen seen;
    RunDialog(font, &seen);
    EXPECT_EQ(seen.selectedSize, L"");
    EXPECT_EQ(font.lfHeight, 13);
}

TEST(FontDialogTest, WeightComesBackAsBoldOrNormal) {
    const struct {
        LONG weight;
        LONG expected;
        bool checked;
    } cases[] = {{600, 700, true}, {900, 700, true}, {599, 400, false}, {100, 400, false}, {0, 400, false}};
    for (const auto& c : cases) {
        LOGFONTW font = StartingFont(12, c.weight, L"x");
        Seen seen;
        RunDialog(font, &seen);
        EXPECT_FALSE(seen.boldVisible);
        EXPECT_EQ(seen.boldChecked, c.checked) << c.weight;
        EXPECT_EQ(font.lfWeight, c.expected) << c.weight;
    }
}

TEST(FontDialogTest, CancelLeavesTheFontUntouched) {
    LOGFONTW font = StartingFont(-12, 650, SomeListedFace().c_str());
    const LOGFONTW before = font;
    EXPECT_EQ(RunDialog(font, nullptr, [](HWND dialog) {
        SendMessageW(GetDlgItem(dialog, IDC_FONT_SIZE), CB_SETCURSEL, 0, 0);
    }, IDCANCEL), IDCANCEL);
    EXPECT_EQ(std::memcmp(&font, &before, sizeof(font)), 0);
}

TEST(FontDialogTest, SmartphoneBackCancels) {
    PlatformScope smartphone(true);
    LOGFONTW font = StartingFont(-12, FW_NORMAL, L"x");
    const LOGFONTW before = font;
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
