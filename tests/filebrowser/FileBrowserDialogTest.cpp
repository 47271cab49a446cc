// The Open / Save As dialog on real folders, driven inside its own modal loop
// as a user would: the extension and overwrite rules, taps on files and
// folders, the initial folder and name, Up, the encoding presets, the
// over-long name, the menus' states, the file commands and Go to.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "device/DeviceShell.h"
#include "filebrowser/FileBrowserDialog.h"
#include "resources/resource.h"
#include "shell/AppModule.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::BoxAnswerer;
using testsupport::ModalDriver;
using testsupport::PumpUntil;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;
using testsupport::WindowText;
using testsupport::WriteBytes;

namespace {

// The Open and Save As type lists as the document commands prepare them.
const wchar_t kOpenTypes[] = L"文本文件\0*.txt,*.log\0TXT 文件\0*.txt\0所有文件\0*.*\0";
const wchar_t kSaveTypes[] = L"TXT 文件\0*.txt\0INI 文件\0*.ini\0所有文件\0*.*\0";
constexpr int kAllFilesSaveType = 2;

class Owner {
public:
    Owner() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80, nullptr, nullptr,
                                nullptr, nullptr);
    }
    ~Owner() { DestroyWindow(hwnd_); }
    HWND hwnd_;
};

HWND List(HWND dialog) { return GetDlgItem(dialog, IDC_FB_LIST); }

std::wstring ShownFolder(FileBrowserDialog& browser) { return std::wstring(browser.List().FolderWithSlash()); }

// Waits until the list shows the folder (with its trailing '\').
bool WaitForFolder(FileBrowserDialog& browser, const std::wstring& folder) {
    return PumpUntil([&] { return _wcsicmp(ShownFolder(browser).c_str(), folder.c_str()) == 0; }, 3000);
}

int ItemOf(FileBrowserDialog& browser, const wchar_t* name) { return browser.List().FindItem(name); }

void Select(HWND dialog, int item) {
    ListView_SetItemState(List(dialog), item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void Tap(HWND dialog, int item) {
    testsupport::TapListItem(List(dialog), item);
    testsupport::PumpPending();
}

void Command(HWND dialog, UINT id) { SendMessageW(dialog, WM_COMMAND, id, 0); }

void SetName(HWND dialog, const std::wstring& name) { SetWindowTextW(GetDlgItem(dialog, IDC_FB_NAME), name.c_str()); }

void ChooseType(HWND dialog, int index) {
    HWND combo = GetDlgItem(dialog, IDC_FB_TYPE);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FB_TYPE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring SelectedText(HWND combo) {
    wchar_t text[128] = {};
    SendMessageW(combo, CB_GETLBTEXT, SendMessageW(combo, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
    return text;
}

class FileBrowserDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetLastFilePath(L"");
        ASSERT_TRUE(WriteBytes(dir_.File(L"notes.txt"), "n"));
        ASSERT_TRUE(WriteBytes(dir_.File(L"readme.TXT"), "r"));
        ASSERT_TRUE(WriteBytes(dir_.File(L"setup.ini"), "s"));
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"子目录").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"folder.txt").c_str(), nullptr));
    }
    void TearDown() override { SetLastFilePath(L""); }

    // Runs the dialog with a script acting inside its modal loop; the result of the run.
    INT_PTR Run(FileBrowserDialog& browser, const std::function<void(HWND)>& script) {
        ModalDriver driver(script);
        INT_PTR result = browser.Run(owner_.hwnd_);
        EXPECT_TRUE(driver.Acted());
        EXPECT_FALSE(driver.TimedOut()) << "the script left the dialog open";
        return result;
    }

    // Save As in the scratch folder with a typed name and a type; the chosen path, or "" when it stayed open.
    std::wstring SaveAs(const std::wstring& name, int type = 0) {
        FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
        INT_PTR result = Run(browser, [&](HWND dialog) {
            ChooseType(dialog, type);
            SetName(dialog, name);
            Command(dialog, IDOK);
            if (IsWindow(dialog) && IsWindowVisible(dialog)) Command(dialog, IDCANCEL);
        });
        return result == IDOK ? std::wstring(browser.Path()) : std::wstring();
    }

    std::wstring Folder() const { return dir_.Path() + L"\\"; }

    TempDir dir_{TempDir::kDevicePath};
    Owner owner_;
};

}  // namespace

TEST_F(FileBrowserDialogTest, SaveAsAddsTheTypesExtensionUnlessTheNameEndsWithIt) {
    EXPECT_EQ(SaveAs(L"new"), Folder() + L"new.txt");
    EXPECT_EQ(SaveAs(L"new.TXT"), Folder() + L"new.TXT");
    EXPECT_EQ(SaveAs(L"new.log"), Folder() + L"new.log.txt");
    EXPECT_EQ(SaveAs(L""), Folder() + L".txt");
    EXPECT_EQ(SaveAs(L"config", 1), Folder() + L"config.ini");
    EXPECT_EQ(SaveAs(L"plain", kAllFilesSaveType), Folder() + L"plain") << "所有文件 takes the name as typed";
    EXPECT_EQ(_wcsicmp(LastFilePath(), Folder().c_str()), 0) << "the folder shown becomes the last folder";
}

TEST_F(FileBrowserDialogTest, SaveAsAsksBeforeOverwritingButNotForAFolder) {
    {
        BoxAnswerer boxes(IDNO);
        EXPECT_EQ(SaveAs(L"notes"), L"") << "No keeps the dialog open";
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, L"文件已存在,是否覆盖?");
        EXPECT_EQ(shown[0].caption, L"Brevitex");
        EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    }
    {
        BoxAnswerer boxes(IDYES);
        EXPECT_EQ(SaveAs(L"notes"), Folder() + L"notes.txt");
        EXPECT_EQ(boxes.Boxes().size(), 1u);
    }
    BoxAnswerer boxes(IDNO);
    EXPECT_EQ(SaveAs(L"folder.txt", kAllFilesSaveType), Folder() + L"folder.txt");
    EXPECT_TRUE(boxes.Boxes().empty()) << "an existing folder is not a file to overwrite";
}

TEST_F(FileBrowserDialogTest, SaveAsTapOnAFileFillsTheNameAndAsksAtOnceThenAgainOnOk) {
    BoxAnswerer boxes(IDNO);
    FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
    std::wstring nameAfterTap;
    size_t asked = 0;
    bool openAfterTap = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        ASSERT_TRUE(WaitForFolder(browser, Folder()));
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_FB_NAME)), L"draft");
        EXPECT_EQ(WindowText(dialog), L"另存为");
        Tap(dialog, ItemOf(browser, L"notes.txt"));
        PumpUntil([&] { return !boxes.Boxes().empty(); }, 2000);
        nameAfterTap = WindowText(GetDlgItem(dialog, IDC_FB_NAME));
        asked = boxes.Boxes().size();
        openAfterTap = IsWindowVisible(dialog) != FALSE;
        boxes.SetAnswer(IDYES);
        Command(dialog, IDOK);
    });
    EXPECT_EQ(nameAfterTap, L"notes.txt");
    EXPECT_EQ(asked, 1u) << "the tap runs the accept test at once";
    EXPECT_TRUE(openAfterTap) << "a tap never ends Save As";
    EXPECT_EQ(boxes.Boxes().size(), 2u) << "OK asks again";
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(std::wstring(browser.Path()), Folder() + L"notes.txt");
}

TEST_F(FileBrowserDialogTest, OpenTapOnAFileEndsWithItATapOnAFolderEntersIt) {
    FileBrowserDialog browser(BrowseMode::Open, (dir_.Path() + L"\\notes.txt").c_str(), kOpenTypes);
    std::wstring encodingShown;
    bool nameBoxShown = true;
    std::wstring entered;
    bool stayedOnOk = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        ASSERT_TRUE(WaitForFolder(browser, Folder()));
        encodingShown = SelectedText(GetDlgItem(dialog, IDC_FB_ENCODING));
        nameBoxShown = IsWindowVisible(GetDlgItem(dialog, IDC_FB_NAME)) != FALSE;
        EXPECT_EQ(ItemOf(browser, L"setup.ini"), -1) << "the first type lists *.txt,*.log";
        Tap(dialog, ItemOf(browser, L"子目录"));
        WaitForFolder(browser, Folder() + L"子目录\\");
        entered = ShownFolder(browser);
        ASSERT_TRUE(WriteBytes(dir_.File(L"子目录\\inner.txt"), "i"));
        SendMessageW(List(dialog), WM_USER + 1, 1, 0);  // reload, as a change notification would
        PumpUntil([&] { return ItemOf(browser, L"inner.txt") != -1; }, 3000);
        Command(dialog, IDOK);
        stayedOnOk = IsWindowVisible(dialog) != FALSE;
        SendMessageW(GetDlgItem(dialog, IDC_FB_ENCODING), CB_SETCURSEL, 2, 0);  // UTF-8
        Tap(dialog, ItemOf(browser, L"inner.txt"));
        PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 3000);
    });
    EXPECT_EQ(encodingShown, L"自动检测");
    EXPECT_FALSE(nameBoxShown);
    EXPECT_EQ(_wcsicmp(entered.c_str(), (Folder() + L"子目录\\").c_str()), 0) << entered;
    EXPECT_TRUE(stayedOnOk) << "OK with nothing selected does nothing";
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(_wcsicmp(browser.Path(), dir_.File(L"子目录\\inner.txt").c_str()), 0) << browser.Path();
    EXPECT_EQ(browser.Encoding(), TextEncoding::Utf8);
    EXPECT_EQ(_wcsicmp(LastFilePath(), (Folder() + L"子目录\\").c_str()), 0);
}

TEST_F(FileBrowserDialogTest, BareNameStartsInTheLastFolderOrTheDocumentsFolder) {
    TempDir documents(TempDir::kDevicePath);
    ScopedEnvironment documentsFolder(L"BREVITEX_DOCUMENTS", documents.Path().c_str());
    const struct {
        std::wstring last;
        std::wstring expected;
    } cases[] = {
        {Folder(), Folder()},
        {L"", documents.Path() + L"\\"},
        {dir_.File(L"gone\\"), documents.Path() + L"\\"},
    };
    for (const auto& c : cases) {
        SetLastFilePath(c.last.c_str());
        FileBrowserDialog browser(BrowseMode::SaveAs, L"无标题3", kSaveTypes);
        std::wstring shown, name;
        Run(browser, [&](HWND dialog) {
            WaitForFolder(browser, c.expected);
            shown = ShownFolder(browser);
            name = WindowText(GetDlgItem(dialog, IDC_FB_NAME));
            Command(dialog, IDCANCEL);
        });
        EXPECT_EQ(_wcsicmp(shown.c_str(), c.expected.c_str()), 0) << "last folder \"" << std::string(c.last.begin(), c.last.end()) << "\"";
        EXPECT_EQ(name, L"无标题3");
    }
}

TEST_F(FileBrowserDialogTest, UpGoesToTheParentAndAtTheDeviceRootOnlyMovesTheFocus) {
    FileBrowserDialog browser(BrowseMode::Open, dir_.File(L"子目录\\x.txt").c_str(), kOpenTypes);
    std::wstring afterUp, atRoot, afterRootUp;
    bool listFocused = false;
    Run(browser, [&](HWND dialog) {
        WaitForFolder(browser, Folder() + L"子目录\\");
        Command(dialog, IDC_FB_UP);
        WaitForFolder(browser, Folder());
        afterUp = ShownFolder(browser);
        Command(dialog, ID_FB_GO_DEVICE);
        WaitForFolder(browser, L"\\");
        atRoot = ShownFolder(browser);
        SetFocus(GetDlgItem(dialog, IDC_FB_TYPE));
        Command(dialog, IDC_FB_UP);
        testsupport::PumpPending();
        afterRootUp = ShownFolder(browser);
        listFocused = GetFocus() == List(dialog);
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(_wcsicmp(afterUp.c_str(), Folder().c_str()), 0) << afterUp;
    EXPECT_EQ(atRoot, L"\\");
    EXPECT_EQ(afterRootUp, L"\\");
    EXPECT_TRUE(listFocused);
}

TEST_F(FileBrowserDialogTest, EncodingPresetsSelectTheirEntryOrTheFirst) {
    const struct {
        BrowseMode mode;
        TextEncoding preset;
        const wchar_t* shown;
        int count;
    } cases[] = {
        {BrowseMode::SaveAs, TextEncoding::Utf8, L"UTF-8", 3},
        {BrowseMode::SaveAs, TextEncoding::Utf16, L"UTF-16", 3},
        {BrowseMode::SaveAs, static_cast<TextEncoding>(936), L"ANSI", 3},
        {BrowseMode::SaveAs, TextEncoding::AutoDetect, L"ANSI", 3},
        {BrowseMode::Open, static_cast<TextEncoding>(936), L"自动检测", 4},
    };
    for (const auto& c : cases) {
        FileBrowserDialog browser(c.mode, L"", c.mode == BrowseMode::Open ? kOpenTypes : kSaveTypes);
        browser.SetEncoding(c.preset);
        std::wstring shown;
        int count = 0;
        Run(browser, [&](HWND dialog) {
            HWND combo = GetDlgItem(dialog, IDC_FB_ENCODING);
            shown = SelectedText(combo);
            count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
            Command(dialog, IDCANCEL);
        });
        EXPECT_EQ(shown, c.shown) << static_cast<int>(c.preset);
        EXPECT_EQ(count, c.count);
    }
}

TEST_F(FileBrowserDialogTest, AnOverLongNameIsRefusedAndTheUserTold) {
    BoxAnswerer boxes(IDOK);
    FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
    bool stayed = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        WaitForFolder(browser, Folder());
        SetName(dialog, std::wstring(300, L'长'));
        Command(dialog, IDOK);
        stayed = IsWindowVisible(dialog) != FALSE;
        Command(dialog, IDCANCEL);
    });
    EXPECT_TRUE(stayed);
    EXPECT_EQ(result, IDCANCEL);
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"文件名太长,请输入较短的名称。");
    EXPECT_EQ(shown[0].caption, L"Brevitex");
    EXPECT_EQ(std::wstring(browser.Path()), dir_.Path() + L"\\draft") << "nothing written to the path";
}

namespace {

// The soft-key menu of the dialog's menu bar.
HMENU SoftKeyMenu(HWND dialog) {
    HWND bar = nullptr;
    while ((bar = FindWindowExW(nullptr, bar, nullptr, nullptr)) != nullptr) {
        if (GetWindow(bar, GW_OWNER) == dialog && SendMessageW(bar, kMenuBarGetMenu, 0, 0)) {
            return reinterpret_cast<HMENU>(SendMessageW(bar, kMenuBarGetMenu, 0, 0));
        }
    }
    return nullptr;
}

// A popup's item states after the dialog prepared it: MF_GRAYED and MF_CHECKED bits by command.
UINT StateAfterOpening(HWND dialog, HMENU popup, UINT id) {
    SendMessageW(dialog, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    return GetMenuState(popup, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED);
}

}  // namespace

namespace {

// The "Preferred DropEffect" the clipboard offers with its file drop; 0 when none.
DWORD DropEffect(HWND owner) {
    DWORD effect = 0;
    if (!OpenClipboard(owner)) return 0;
    if (HANDLE block = GetClipboardData(RegisterClipboardFormatW(L"Preferred DropEffect"))) {
        if (const void* bytes = GlobalLock(block)) {
            memcpy(&effect, bytes, sizeof(effect));
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return effect;
}

}  // namespace

TEST_F(FileBrowserDialogTest, MenusGrayFileCommandsWithoutASelectionAndMarkTheView) {
    testsupport::FileOperationRecorder shell(false);
    FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
    Run(browser, [&](HWND dialog) {
        ASSERT_TRUE(WaitForFolder(browser, Folder()));
        HMENU softKeys = SoftKeyMenu(dialog);
        ASSERT_NE(softKeys, nullptr);
        EXPECT_EQ(testsupport::MenuItemText(softKeys, 0), L"文件");
        EXPECT_EQ(testsupport::MenuItemText(softKeys, 1), L"查看");
        HMENU file = GetSubMenu(softKeys, 0);
        HMENU view = GetSubMenu(softKeys, 1);

        ListView_SetItemState(List(dialog), -1, 0, LVIS_SELECTED);
        for (UINT id : {IDOK, ID_EDIT_CUT, ID_EDIT_COPY, ID_FB_DELETE, ID_FB_RENAME}) {
            EXPECT_EQ(StateAfterOpening(dialog, file, id), static_cast<UINT>(MF_GRAYED)) << id;
        }
        EXPECT_EQ(StateAfterOpening(dialog, view, IDC_FB_UP), 0u) << "the view popup is left as it is";
        Select(dialog, ItemOf(browser, L"notes.txt"));
        EXPECT_EQ(StateAfterOpening(dialog, file, ID_FB_RENAME), 0u);

        // Paste only with a file drop on the clipboard; copy puts one there.
        ASSERT_TRUE(OpenClipboard(dialog));
        EmptyClipboard();
        CloseClipboard();
        EXPECT_EQ(StateAfterOpening(dialog, file, ID_EDIT_PASTE), static_cast<UINT>(MF_GRAYED));
        Command(dialog, ID_EDIT_COPY);
        EXPECT_EQ(StateAfterOpening(dialog, file, ID_EDIT_PASTE), 0u);
        EXPECT_EQ(DropEffect(dialog), 5u) << "copy offers copy or link";

        // Paste with a folder selected goes into that folder, else into the folder shown.
        Select(dialog, ItemOf(browser, L"子目录"));
        Command(dialog, ID_EDIT_PASTE);
        ListView_SetItemState(List(dialog), -1, 0, LVIS_SELECTED);
        Command(dialog, ID_EDIT_PASTE);

        // The list's own menu marks the view in its view submenu; the commands switch it.
        HMENU listMenu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_FILE_LIST_POPUP));
        HMENU viewModes = GetSubMenu(GetSubMenu(listMenu, 0), 2);
        EXPECT_EQ(StateAfterOpening(dialog, viewModes, ID_FB_VIEW_DETAILS), static_cast<UINT>(MF_CHECKED));
        Command(dialog, ID_FB_VIEW_LIST);
        EXPECT_EQ(GetWindowLongW(List(dialog), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
        EXPECT_EQ(StateAfterOpening(dialog, viewModes, ID_FB_VIEW_LIST), static_cast<UINT>(MF_CHECKED));
        EXPECT_EQ(StateAfterOpening(dialog, viewModes, ID_FB_VIEW_DETAILS), 0u);
        Command(dialog, ID_FB_VIEW_SMALLICON);
        EXPECT_EQ(GetWindowLongW(List(dialog), GWL_STYLE) & LVS_TYPEMASK, LVS_SMALLICON);
        DestroyMenu(listMenu);

        Select(dialog, ItemOf(browser, L"notes.txt"));
        Command(dialog, ID_EDIT_CUT);
        EXPECT_EQ(DropEffect(dialog), 2u) << "cut offers a move";
        Command(dialog, IDCANCEL);
    });
    ASSERT_EQ(shell.Operations().size(), 2u);
    EXPECT_EQ(shell.Operations()[0].operation, static_cast<UINT>(FO_COPY));
    EXPECT_EQ(shell.Operations()[0].from, dir_.File(L"notes.txt") + L'\0' + L'\0');
    EXPECT_EQ(shell.Operations()[0].to, dir_.File(L"子目录\\notes.txt") + L'\0' + L'\0');
    EXPECT_EQ(_wcsicmp(shell.Operations()[1].to.c_str(), (dir_.File(L"notes.txt") + L'\0' + L'\0').c_str()), 0);
    ASSERT_TRUE(OpenClipboard(owner_.hwnd_));
    EmptyClipboard();
    CloseClipboard();
}

TEST_F(FileBrowserDialogTest, GoToReachesTheDocumentsFolderTheLargestCardAndTheRoot) {
    TempDir documents(TempDir::kDevicePath);
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"small").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"large").c_str(), nullptr));
    ScopedEnvironment documentsFolder(L"BREVITEX_DOCUMENTS", documents.Path().c_str());
    const std::wstring cardList = dir_.File(L"large").substr(1) + L";" + dir_.File(L"small").substr(1);
    ScopedEnvironment cards(L"BREVITEX_STORAGE_CARDS", cardList.c_str());
    struct Sizes {
        std::wstring large;
    } sizes{dir_.File(L"large")};
    SetDiskSpaceHook(
        [](const wchar_t* folder, DiskSpace* space, void* context) {
            space->total.QuadPart = static_cast<Sizes*>(context)->large == folder ? 64ull << 30 : 2ull << 30;
            return true;
        },
        &sizes);
    FileBrowserDialog browser(BrowseMode::Open, (dir_.Path() + L"\\x").c_str(), kOpenTypes);
    std::vector<std::wstring> reached;
    Run(browser, [&](HWND dialog) {
        Command(dialog, ID_FB_GO_DOCUMENTS);
        WaitForFolder(browser, documents.Path() + L"\\");
        reached.push_back(ShownFolder(browser));
        Command(dialog, ID_FB_GO_CARD);
        WaitForFolder(browser, dir_.File(L"large\\"));
        reached.push_back(ShownFolder(browser));
        Command(dialog, ID_FB_GO_DEVICE);
        WaitForFolder(browser, L"\\");
        reached.push_back(ShownFolder(browser));
        Command(dialog, IDCANCEL);
    });
    SetDiskSpaceHook(nullptr, nullptr);
    ASSERT_EQ(reached.size(), 3u);
    EXPECT_EQ(_wcsicmp(reached[0].c_str(), (documents.Path() + L"\\").c_str()), 0) << reached[0];
    EXPECT_EQ(_wcsicmp(reached[1].c_str(), dir_.File(L"large\\").c_str()), 0) << reached[1];
    EXPECT_EQ(reached[2], L"\\");
}

TEST_F(FileBrowserDialogTest, OkAndCancelAreIgnoredWhileALabelIsEdited) {
    FileBrowserDialog browser(BrowseMode::Open, (dir_.Path() + L"\\x").c_str(), kOpenTypes);
    bool editing = false, openAfterOk = false, openAfterCancel = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        WaitForFolder(browser, Folder());
        Select(dialog, ItemOf(browser, L"notes.txt"));
        Command(dialog, ID_FB_RENAME);
        HWND editor = ListView_GetEditControl(List(dialog));
        editing = editor != nullptr;
        SendMessageW(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(editor));
        openAfterOk = IsWindowVisible(dialog) != FALSE;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(editor));
        openAfterCancel = IsWindowVisible(dialog) != FALSE;
        ListView_CancelEditLabel(List(dialog));
        Command(dialog, IDCANCEL);
    });
    EXPECT_TRUE(editing);
    EXPECT_TRUE(openAfterOk);
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(FileBrowserDialogTest, FillsTheDeviceScreenOnBothFormsAndDropsTheTreeDown) {
    for (const wchar_t* form : {L"PocketPC", L"SmartPhone"}) {
        ScopedEnvironment platform(L"BREVITEX_PLATFORM", form);
        ResetSmartphonePlatformCache();
        FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
        RECT window{}, list{}, tree{}, combo{}, client{};
        bool treeShown = false, treeHiddenAgain = false, wantsEnter = false;
        Run(browser, [&](HWND dialog) {
            WaitForFolder(browser, Folder());
            GetWindowRect(dialog, &window);
            GetClientRect(dialog, &client);
            GetWindowRect(List(dialog), &list);
            HWND folder = GetDlgItem(dialog, IDC_FB_FOLDER);
            browser.FolderCombo().ToggleDropDown();
            treeShown = IsWindowVisible(GetDlgItem(dialog, IDC_FB_TREE)) != FALSE;
            GetWindowRect(GetDlgItem(dialog, IDC_FB_TREE), &tree);
            GetWindowRect(folder, &combo);
            MSG enter{folder, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
            wantsEnter = (SendMessageW(folder, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) &
                          DLGC_WANTMESSAGE) != 0;
            SendMessageW(folder, WM_KEYDOWN, VK_RETURN, 0);
            treeHiddenAgain = !IsWindowVisible(GetDlgItem(dialog, IDC_FB_TREE));
            Command(dialog, IDCANCEL);
        });
        ResetSmartphonePlatformCache();
        const RECT area = DeviceWorkArea();
        EXPECT_TRUE(EqualRect(&window, &area)) << "full screen above the menu bar";
        EXPECT_EQ(list.right, window.right - (window.right - window.left - client.right) / 2) << "list stretched";
        EXPECT_TRUE(treeShown);
        EXPECT_EQ(tree.top, combo.bottom);
        EXPECT_EQ(tree.right, combo.right);
        EXPECT_TRUE(treeHiddenAgain);
        EXPECT_TRUE(wantsEnter) << "Enter reaches the combo, not the default button";
    }
}

TEST_F(FileBrowserDialogTest, DroppedTreeTapFocusesTheListAndOkOrCancelStillEndTheDialog) {
    FileBrowserDialog browser(BrowseMode::Open, (dir_.Path() + L"\\x").c_str(), kOpenTypes);
    HWND focusAfterTap = nullptr, list = nullptr;
    bool hiddenAfterTap = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        WaitForFolder(browser, Folder());
        list = List(dialog);
        HWND tree = GetDlgItem(dialog, IDC_FB_TREE);
        browser.FolderCombo().ToggleDropDown();
        RECT item{};
        HTREEITEM selected = TreeView_GetSelection(tree);
        TreeView_GetItemRect(tree, selected, &item, TRUE);
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(tree, WM_LBUTTONUP, 0, at);
        testsupport::PumpUntil([&] { return !IsWindowVisible(tree) && GetFocus() == list; }, 3000);
        hiddenAfterTap = !IsWindowVisible(tree);
        focusAfterTap = GetFocus();
        // With the tree dropped again, Cancel ends the dialog.
        browser.FolderCombo().ToggleDropDown();
        Command(dialog, IDCANCEL);
    });
    EXPECT_TRUE(hiddenAfterTap);
    EXPECT_EQ(focusAfterTap, list) << "the list, not the hidden tree, has the focus";
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(FileBrowserDialogTest, FoldersMadeAfterTheFillAreFoundAndSaveAsNeverBuildsARelativePath) {
    BoxAnswerer boxes(IDOK);
    FileBrowserDialog browser(BrowseMode::SaveAs, (dir_.Path() + L"\\draft").c_str(), kSaveTypes);
    HTREEITEM late = nullptr;
    bool repaintPending = false;
    INT_PTR result = Run(browser, [&](HWND dialog) {
        WaitForFolder(browser, Folder());
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"后来").c_str(), nullptr));
        late = browser.Tree().SelectPath(dir_.File(L"后来").c_str());
        // The list view does not repaint itself when its view style changes.
        UpdateWindow(List(dialog));
        Command(dialog, ID_FB_VIEW_ICON);
        repaintPending = GetUpdateRect(List(dialog), nullptr, FALSE) != FALSE;
        // A folder that cannot be found leaves nothing selected in the tree.
        EXPECT_EQ(browser.Tree().SelectPath(dir_.File(L"不存在").c_str()), nullptr);
        SetName(dialog, L"kept");
        Command(dialog, IDOK);
    });
    EXPECT_NE(late, nullptr);
    EXPECT_TRUE(repaintPending);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(std::wstring(browser.Path()), dir_.File(L"后来\\kept.txt")) << "the list's folder, never a relative path";
    EXPECT_TRUE(boxes.Boxes().empty());

    // A path longer than the old 260-unit buffer the user never typed is kept whole.
    const std::wstring deep = dir_.File(std::wstring(200, L'e') + L"\\" + std::wstring(100, L'y') + L".txt");
    FileBrowserDialog longer(BrowseMode::SaveAs, deep.c_str(), kSaveTypes);
    std::wstring shownName;
    Run(longer, [&](HWND dialog) {
        shownName = testsupport::WindowText(GetDlgItem(dialog, IDC_FB_NAME));
        Command(dialog, IDCANCEL);
    });
    EXPECT_EQ(shownName, std::wstring(100, L'y') + L".txt");
    EXPECT_EQ(std::wstring(longer.Path()), deep);
}
