// The main frame as a user meets it: menu 101 and the strings, the item
// states after real edits, word wrap, read-only and selection modes, the
// Smartphone keys and layout on the device screen.
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <thread>
#include <richedit.h>
#include <commctrl.h>

#include "FrameTestSupport.h"
#include "device/DeviceShell.h"
#include "common/WideString.h"
#include "resources/resource.h"
#include "shell/UpdateUI.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace frametest;

namespace {

// One line per item: depth, text ("-" for a separator), id (0 for a popup).
std::vector<std::wstring> DescribeMenu(HMENU menu, int depth = 0) {
    std::vector<std::wstring> lines;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 64;
        GetMenuItemInfoW(menu, i, TRUE, &item);
        std::wstring line(depth * 2, L' ');
        if (item.fType & MFT_SEPARATOR) {
            lines.push_back(line + L"--");
            continue;
        }
        line += text;
        if (!item.hSubMenu) line += L" " + std::to_wstring(item.wID);
        lines.push_back(line);
        if (item.hSubMenu) {
            auto sub = DescribeMenu(item.hSubMenu, depth + 1);
            lines.insert(lines.end(), sub.begin(), sub.end());
        }
    }
    return lines;
}

std::wstring Resource(UINT id) {
    WideString text;
    EXPECT_TRUE(text.Load(id)) << id;
    return std::wstring(text.c_str(), text.Length());
}

void PutOnClipboard(HWND owner, const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    if (text) {
        size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        memcpy(GlobalLock(block), text, bytes);
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
    }
    CloseClipboard();
}

// The face of the control's default character format.
std::wstring EditFace(HWND edit) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format.szFaceName;
}

DWORD Selection(HWND edit) {
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return MAKELONG(start, end);
}

}  // namespace

TEST(FrameResourcesTest, MenuAndStringsAreExactlyTheProgramsTexts) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);
    std::vector<std::wstring> expected{
        L"编辑", L"  撤消 57643", L"  恢复 57644", L"  --", L"  剪切 57635", L"  复制 57634", L"  粘贴 57637",
        L"  删除 57632", L"  --", L"  选择 32702", L"  全选 57642", L"  --", L"  查找/替换... 57636",
        L"  查找下一个 32703", L"菜单", L"  文件", L"    新建 57600", L"    打开... 57601", L"    保存 57603",
        L"    另存为... 57604", L"  插入", L"    长日期 32610", L"    短日期 32611", L"    时间 32612", L"  工具",
        L"    发送短信... 32620", L"    呼叫号码... 32621", L"  视图", L"    跳转到... 32609", L"    字体... 32607",
        L"    --", L"    只读模式 32605", L"    自动换行 32606", L"    工具栏 59392", L"  信息", L"    - 32615",
        L"    - 32616", L"    - 32617", L"  --", L"  关于... 57664", L"  退出 57665"};
    EXPECT_EQ(DescribeMenu(menu), expected);
    DestroyMenu(menu);

    EXPECT_EQ(Resource(32802),
              L"文本文件|*.txt,*.log,*.ini,*.ccs,*.reg,*.htm,*.html,*.css,*.xml|TXT 文件|*.txt|INI 文件|*.ini|"
              L"CCS 文件|*.ccs|REG 文件|*.reg|XML 文件|*.xml|所有文件|*.*||");
    EXPECT_EQ(Resource(32806), L"打开文件\"%s\"失败\uFF01");
    EXPECT_EQ(Resource(32807), L"保存文件\"%s\"时出错\uFF01");
    EXPECT_EQ(Resource(32808), L"文档\"%s\"已修改,是否保存?");
    EXPECT_EQ(Resource(32809), L"只读文档,是否继续保存?");
}

using MainFrameTest = FrameTest;

TEST_F(MainFrameTest, ItemStatesFollowTheDocument) {
    CreateFrame();
    PutOnClipboard(hwnd_, nullptr);
    Idle();
    // An empty document: nothing to select, copy or undo.
    for (UINT id : {ID_EDIT_SELECTMODE, ID_EDIT_SELECT_ALL, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_TOOLS_CALL,
                    ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_PASTE}) {
        EXPECT_FALSE(MenuEnabled(id)) << id;
    }
    for (UINT id : {ID_INSERT_LONGDATE, ID_INSERT_SHORTDATE, ID_INSERT_TIME}) EXPECT_TRUE(MenuEnabled(id)) << id;
    EXPECT_FALSE(MenuChecked(ID_VIEW_READONLY));
    EXPECT_FALSE(MenuChecked(ID_VIEW_WORDWRAP));

    Type(L"call 555 0100");
    EXPECT_TRUE(MenuEnabled(ID_EDIT_SELECTMODE));
    EXPECT_TRUE(MenuEnabled(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(MenuEnabled(ID_EDIT_UNDO));
    EXPECT_FALSE(MenuEnabled(ID_EDIT_COPY)) << "no selection yet";

    SendMessageW(Edit(), EM_SETSEL, 5, 13);
    Idle();
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_TOOLS_CALL}) EXPECT_TRUE(MenuEnabled(id)) << id;

    Command(ID_EDIT_COPY);
    EXPECT_TRUE(MenuEnabled(ID_EDIT_PASTE)) << "the clipboard now holds text";

    Command(ID_EDIT_UNDO);
    EXPECT_TRUE(MenuEnabled(ID_EDIT_REDO));
    Command(ID_EDIT_REDO);
    ASSERT_EQ(EditText(), L"call 555 0100");

    Command(ID_VIEW_READONLY);
    EXPECT_TRUE(MenuChecked(ID_VIEW_READONLY));
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_CLEAR, ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_PASTE, ID_INSERT_LONGDATE,
                    ID_INSERT_SHORTDATE, ID_INSERT_TIME}) {
        EXPECT_FALSE(MenuEnabled(id)) << "read-only: " << id;
    }
    SendMessageW(Edit(), EM_SETSEL, 0, 4);
    Idle();
    EXPECT_TRUE(MenuEnabled(ID_EDIT_COPY));
    EXPECT_TRUE(MenuEnabled(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(MenuEnabled(ID_EDIT_CUT));
    Command(ID_VIEW_READONLY);
    EXPECT_FALSE(MenuChecked(ID_VIEW_READONLY));
    EXPECT_TRUE(MenuEnabled(ID_EDIT_CUT));

    Command(ID_VIEW_WORDWRAP);
    EXPECT_TRUE(MenuChecked(ID_VIEW_WORDWRAP));
}

TEST_F(MainFrameTest, WordWrapKeepsTextModifiedStateFontAndFocus) {
    HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    LOGFONTW description{};
    GetObjectW(font, sizeof(description), &description);
    DeleteObject(font);
    SettingsKeyGuard::WriteRaw(L"FontName_Edit", REG_SZ, L"Tahoma", 14);
    SettingsKeyGuard::WriteNumber(L"FontSize_Edit", static_cast<DWORD>(-20));
    CreateFrame();
    ASSERT_NE(frame_->EditFont(), nullptr);
    Type(L"wrap me");
    HWND before = Edit();
    EXPECT_FALSE(GetWindowLongW(before, GWL_STYLE) & ES_WANTRETURN);

    Command(ID_VIEW_WORDWRAP);
    HWND after = Edit();
    ASSERT_NE(after, nullptr);
    EXPECT_TRUE(GetWindowLongW(after, GWL_STYLE) & ES_WANTRETURN);
    EXPECT_FALSE(GetWindowLongW(after, GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(EditText(), L"wrap me");
    EXPECT_TRUE(Modified());
    EXPECT_EQ(GetFocus(), after);
    EXPECT_EQ(EditFace(after), L"Tahoma");
    RECT client{}, edit{};
    GetClientRect(hwnd_, &client);
    GetClientRect(after, &edit);
    MapWindowPoints(after, hwnd_, reinterpret_cast<POINT*>(&edit), 2);
    EXPECT_EQ(edit.top, client.top);

    Command(ID_VIEW_WORDWRAP);
    EXPECT_FALSE(GetWindowLongW(Edit(), GWL_STYLE) & ES_WANTRETURN);
    EXPECT_EQ(EditText(), L"wrap me");
}

TEST_F(MainFrameTest, SelectionModeExtendsWithArrowsAndEndsOnOtherKeys) {
    CreateFrame();
    Type(L"abcdef");
    SendMessageW(Edit(), EM_SETSEL, 1, 1);
    Command(ID_EDIT_SELECTMODE);
    EXPECT_TRUE(frame_->Flags() & MainFrame::kSelectionMode);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    for (int i = 0; i < 3; ++i) {
        PostMessageW(Edit(), WM_KEYDOWN, VK_RIGHT, 1);
        PostMessageW(Edit(), WM_KEYUP, VK_RIGHT, 0xC0000001);
    }
    Idle();
    EXPECT_EQ(Selection(Edit()), static_cast<DWORD>(MAKELONG(1, 4)));
    EXPECT_TRUE(frame_->Flags() & MainFrame::kSelectionMode);

    PostMessageW(Edit(), WM_KEYDOWN, 'X', 1);
    Idle();
    EXPECT_FALSE(frame_->Flags() & MainFrame::kSelectionMode);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0) << "Shift is released";

    // A tap ends it too, and so does WM_CANCELMODE.
    Command(ID_EDIT_SELECTMODE);
    PostMessageW(Edit(), WM_LBUTTONUP, 0, 0);
    Idle();
    EXPECT_FALSE(frame_->Flags() & MainFrame::kSelectionMode);
    Command(ID_EDIT_SELECTMODE);
    SendMessageW(hwnd_, WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(frame_->Flags() & MainFrame::kSelectionMode);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

TEST_F(MainFrameTest, PocketPcFrameSitsAboveTheCommandBarWithViewAndToolBarFillingIt) {
    CreateFrame();
    ASSERT_NE(frame_->CommandBar(), nullptr);
    EXPECT_NE(MenuState(ID_VIEW_TOOLBAR), -1) << "Pocket PC keeps the toolbar item";
    RECT frame{}, bar{}, client{}, edit{};
    GetWindowRect(hwnd_, &frame);
    GetWindowRect(frame_->CommandBar(), &bar);
    EXPECT_LE(frame.bottom, bar.top);
    GetClientRect(hwnd_, &client);
    GetWindowRect(Edit(), &edit);
    RECT toolbar{};
    ASSERT_TRUE(GetWindowRect(frame_->ToolBarWindow(), &toolbar));
    EXPECT_EQ(edit.right - edit.left, client.right);
    EXPECT_EQ(edit.bottom - edit.top + toolbar.bottom - toolbar.top, client.bottom) << "the view fills the rest";

    // Exit posts WM_CLOSE; an unmodified document closes without a question.
    testsupport::BoxAnswerer boxes(IDCANCEL);
    Command(ID_APP_EXIT);
    EXPECT_FALSE(IsWindow(hwnd_));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(MainFrameTest, SmartphoneKeysAndMenu) {
    testsupport::PlatformScope smartphone(true);
    CreateFrame();
    EXPECT_EQ(MenuState(ID_VIEW_TOOLBAR), -1) << "no 工具栏 item on Smartphone";
    EXPECT_NE(MenuState(ID_VIEW_WORDWRAP), -1);

    std::wstring text;
    for (int i = 0; i < 200; ++i) text += L"line " + std::to_wstring(i) + L"\n";
    Type(text + L"end");
    SendMessageW(Edit(), EM_SETSEL, 0, 0);
    SendMessageW(Edit(), EM_SCROLLCARET, 0, 0);

    // Volume down pages on release only.
    SendMessageW(hwnd_, WM_HOTKEY, kVolumeDownKey, MAKELPARAM(0, kVolumeDownKey));
    EXPECT_EQ(Selection(Edit()), 0u);
    SendMessageW(hwnd_, WM_HOTKEY, kVolumeDownKey, MAKELPARAM(kHotKeyReleased, kVolumeDownKey));
    DWORD paged = HIWORD(Selection(Edit()));
    EXPECT_GT(paged, 0u);
    SendMessageW(hwnd_, WM_HOTKEY, kVolumeUpKey, MAKELPARAM(kHotKeyReleased, kVolumeUpKey));
    EXPECT_LT(HIWORD(Selection(Edit())), paged);

    // Back deletes the character before the caret when the text has the focus.
    SendMessageW(Edit(), EM_SETSEL, 4, 4);
    SetFocus(Edit());
    SendMessageW(hwnd_, WM_HOTKEY, kBackKey, MAKELPARAM(0, kBackKey));
    SendMessageW(hwnd_, WM_HOTKEY, kBackKey, MAKELPARAM(kHotKeyReleased, kBackKey));
    Idle();
    EXPECT_EQ(EditText().substr(0, 6), L"lin 0\r");
}

TEST(UpdateUITest, ToolbarsGetOnlyPendingChangesOfTheirItems) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP, 0, 0, 200, 30, nullptr, nullptr, nullptr,
                                   nullptr);
    ASSERT_NE(toolbar, nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[2] = {{0, ID_EDIT_UNDO, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
                           {1, ID_EDIT_PASTE, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0}};
    SendMessageW(toolbar, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));

    UpdateUI state;
    state.AddToolBar(toolbar);
    state.Enable(ID_EDIT_UNDO, false);
    state.Enable(ID_EDIT_CLEAR, false);  // a menu-only item
    state.ApplyToToolBars();
    EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_UNDO, 0));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_PASTE, 0));
    EXPECT_FALSE(state.IsEnabled(ID_EDIT_CLEAR));

    // An unchanged state is not applied again; a change is.
    SendMessageW(toolbar, TB_ENABLEBUTTON, ID_EDIT_UNDO, TRUE);
    state.Enable(ID_EDIT_UNDO, false);
    state.ApplyToToolBars();
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_UNDO, 0));
    state.Enable(ID_EDIT_PASTE, false);
    state.Check(ID_EDIT_PASTE, true);
    state.ApplyToToolBars();
    EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONENABLED, ID_EDIT_PASTE, 0));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, ID_EDIT_PASTE, 0));

    DestroyWindow(toolbar);
}

TEST(UpdateUITest, EveryEditButtonOfTheToolbarFollowsTheTable) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_POPUP, 0, 0, 200, 30, nullptr, nullptr, nullptr,
                                   nullptr);
    ASSERT_NE(toolbar, nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const UINT kButtons[] = {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE};
    for (UINT id : kButtons) {
        TBBUTTON button{0, static_cast<int>(id), TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0};
        SendMessageW(toolbar, TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&button));
    }
    UpdateUI state;
    state.AddToolBar(toolbar);
    for (UINT id : kButtons) {
        state.Enable(id, false);
        state.ApplyToToolBars();
        EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0)) << id;
        state.Enable(id, true);
        state.ApplyToToolBars();
        EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0)) << id;
    }
    DestroyWindow(toolbar);
}

TEST_F(MainFrameTest, PocketPcFrameFollowsTheInputPanel) {
    CreateFrame();
    DeviceSipPreference(hwnd_, kSipRaise);
    Idle();
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    ASSERT_TRUE(sip.shown);
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    EXPECT_EQ(frame.bottom, sip.visibleDesktop.bottom) << "the raised panel is not covered";
    EXPECT_EQ(frame.top, sip.visibleDesktop.top);

    // An open lowers the panel and the frame reaches down to the panel's bottom again.
    testsupport::TempDir dir;
    std::wstring path = dir.File(L"a.txt");
    ASSERT_TRUE(testsupport::WriteBytes(path, "a"));
    BrowserAnswerer browser(IDOK, path);
    Command(ID_FILE_OPEN);
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_FALSE(sip.shown);
    GetWindowRect(hwnd_, &frame);
    EXPECT_EQ(frame.bottom, sip.panel.bottom);

    // The toolbar a lowered panel uncovers is painted again, not left as it was.
    DeviceSipPreference(hwnd_, kSipRaise);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HWND toolbar = frame_->ToolBarWindow();
    ASSERT_FALSE(GetUpdateRect(toolbar, nullptr, FALSE));
    DeviceSipPreference(hwnd_, kSipLower);
    EXPECT_TRUE(GetUpdateRect(toolbar, nullptr, FALSE));

    // Under a dialog covering the whole frame (the browser) the fit waits for
    // the frame to be active again.
    RECT before{};
    GetWindowRect(hwnd_, &before);
    HWND cover = CreateWindowExW(0, L"#32770", L"", WS_POPUP, before.left, before.top, before.right - before.left,
                                 before.bottom - before.top, hwnd_, nullptr, nullptr, nullptr);
    ASSERT_NE(cover, nullptr);
    DeviceSipPreference(hwnd_, kSipRaise);
    GetWindowRect(hwnd_, &frame);
    EXPECT_TRUE(EqualRect(&frame, &before)) << "not resized under the dialog";
    DestroyWindow(cover);
    SendMessageW(hwnd_, WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    GetWindowRect(hwnd_, &frame);
    EXPECT_EQ(frame.bottom, sip.visibleDesktop.bottom) << "fitted once active again";
    DeviceSipPreference(hwnd_, kSipLower);

    // While a small dialog of the frame is active, the view keeps its height
    // (a new one lays out the whole text again) and is cut to what the frame
    // shows; once the frame is active again it gets its size.
    Idle();
    RECT viewBefore{};
    GetWindowRect(Edit(), &viewBefore);
    HWND dialog = CreateWindowExW(0, L"#32770", L"", WS_POPUP | WS_VISIBLE, before.left, before.top, 100, 50, hwnd_,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    SetActiveWindow(dialog);
    DeviceSipPreference(hwnd_, kSipRaise);
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    GetWindowRect(hwnd_, &frame);
    EXPECT_EQ(frame.bottom, sip.visibleDesktop.bottom);
    RECT viewNow{};
    GetWindowRect(Edit(), &viewNow);
    EXPECT_EQ(viewNow.bottom - viewNow.top, viewBefore.bottom - viewBefore.top);
    RECT shown{};
    ASSERT_EQ(GetWindowRgnBox(Edit(), &shown), SIMPLEREGION);
    RECT toolbarRect{};
    GetWindowRect(frame_->ToolBarWindow(), &toolbarRect);
    EXPECT_EQ(viewNow.top + shown.bottom, toolbarRect.top) << "cut where the toolbar begins";
    DestroyWindow(dialog);
    SetActiveWindow(hwnd_);
    Idle();
    GetWindowRect(Edit(), &viewNow);
    GetWindowRect(frame_->ToolBarWindow(), &toolbarRect);
    EXPECT_EQ(viewNow.bottom, toolbarRect.top);
    EXPECT_EQ(GetWindowRgnBox(Edit(), &shown), ERROR) << "no longer cut";
    DeviceSipPreference(hwnd_, kSipLower);
}

namespace {

// Runs an action on the first dialog the owner shows, from another thread as
// a user would, while the test thread sits in the dialog's modal loop.
class DialogUser {
public:
    DialogUser(HWND owner, std::function<void(HWND)> action) {
        thread_ = std::thread([this, owner, action] {
            for (int i = 0; i < 1000 && !stop_; ++i) {
                HWND dialog = testsupport::FindOwnedDialog(owner);
                if (dialog) {
                    shown_ = true;
                    action(dialog);
                    return;
                }
                Sleep(10);
            }
        });
    }
    ~DialogUser() { Finish(); }
    void Finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Shown() const { return shown_; }

private:
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> shown_{false};
};

}  // namespace

TEST_F(MainFrameTest, GoToMovesTheCaretOnlyForAPlainCommand) {
    CreateFrame();
    Type(L"one\ntwo\nthree");
    {
        DialogUser user(hwnd_, [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        Command(ID_VIEW_GOTO, 1);
        user.Finish();
        EXPECT_FALSE(user.Shown()) << "a command with a notification code opens nothing";
    }
    DialogUser user(hwnd_, [](HWND dialog) {
        SetDlgItemTextW(dialog, 1017, L"3");
        SetDlgItemTextW(dialog, 1018, L"2");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Command(ID_VIEW_GOTO);
    user.Finish();
    EXPECT_TRUE(user.Shown());
    LONG start = static_cast<LONG>(SendMessageW(Edit(), EM_LINEINDEX, 2, 0));
    EXPECT_EQ(Selection(Edit()), static_cast<DWORD>(MAKELONG(start + 1, start + 1)));
}

TEST_F(MainFrameTest, ChosenFontIsAppliedKeptAndSurvivesARestart) {
    CreateFrame();
    Type(L"text");
    ASSERT_EQ(frame_->EditFont(), nullptr);
    {
        DialogUser user(hwnd_, [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        Command(ID_VIEW_FONT);
        user.Finish();
        EXPECT_TRUE(user.Shown());
        EXPECT_EQ(frame_->EditFont(), nullptr) << "cancel keeps the font";
    }
    std::wstring face;
    {
        DialogUser user(hwnd_, [&face](HWND dialog) {
            HWND faces = GetDlgItem(dialog, 1014);
            SendMessageW(faces, CB_SETCURSEL, 0, 0);
            wchar_t text[LF_FACESIZE] = {};
            SendMessageW(faces, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
            face = text;
            SendMessageW(GetDlgItem(dialog, 1015), CB_SETCURSEL, 15, 0);  // 34
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        Command(ID_VIEW_FONT);
        user.Finish();
    }
    ASSERT_NE(frame_->EditFont(), nullptr);
    LOGFONTW chosen{};
    GetObjectW(frame_->EditFont(), sizeof(chosen), &chosen);
    EXPECT_EQ(chosen.lfHeight, 34);
    EXPECT_EQ(chosen.lfFaceName, face);
    EXPECT_EQ(chosen.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_EQ(EditFace(Edit()), face);
    EXPECT_TRUE(Modified()) << "typed text stays modified";

    testsupport::BoxAnswerer boxes(IDNO);
    ASSERT_TRUE(Close());
    CreateFrame();
    ASSERT_NE(frame_->EditFont(), nullptr);
    LOGFONTW restored{};
    GetObjectW(frame_->EditFont(), sizeof(restored), &restored);
    EXPECT_EQ(restored.lfHeight, 34);
    EXPECT_EQ(restored.lfFaceName, face);
    EXPECT_EQ(EditFace(Edit()), face);
}
