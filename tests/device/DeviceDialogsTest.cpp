// Dialogs on the device screen: full-screen initialisation with WM_SIZE, the
// navigation-bar text, and the caption OK button of templates that ask for one.
#include <gtest/gtest.h>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
#include "common/Window.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::TextOf;

namespace {

constexpr UINT kGoToTemplate = 114;  // has the caption OK extended style
constexpr UINT kFindTemplate = 111;  // does not

// What a test dialog saw.
struct DialogLog {
    std::vector<SIZE> sizes;
    std::vector<UINT> commands;
    bool endOnOk = false;
};

INT_PTR CALLBACK LoggingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!log) return FALSE;
    if (message == WM_SIZE) log->sizes.push_back(SIZE{LOWORD(lParam), HIWORD(lParam)});
    // Commands from menus, keys and the caption; controls' notifications carry their window.
    if (message == WM_COMMAND && lParam == 0) {
        log->commands.push_back(LOWORD(wParam));
        if (log->endOnOk && LOWORD(wParam) == IDOK) EndDialog(dialog, 77);
        return TRUE;
    }
    return FALSE;
}

HWND CreateLogged(UINT templateId, DialogLog* log) {
    return DeviceCreateDialogParam(nullptr, MAKEINTRESOURCEW(templateId), nullptr, LoggingProc,
                                   reinterpret_cast<LPARAM>(log));
}

POINT CentreOf(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

}  // namespace

TEST(DeviceDialogsTest, FullScreenInitSizesDialogAboveMenuBarAndSendsSize) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    log.sizes.clear();
    DialogInitInfo info{1, dialog, kDialogInitFullScreen};
    ASSERT_TRUE(DeviceInitDialog(&info));
    RECT rect{};
    GetWindowRect(dialog, &rect);
    RECT work = DeviceWorkArea();
    EXPECT_TRUE(EqualRect(&rect, &work));
    RECT client{};
    GetClientRect(dialog, &client);
    ASSERT_FALSE(log.sizes.empty());
    EXPECT_EQ(log.sizes.back().cx, client.right);
    EXPECT_EQ(log.sizes.back().cy, client.bottom);

    // Already full screen: the dialog still gets its WM_SIZE, so its layout runs.
    log.sizes.clear();
    ASSERT_TRUE(DeviceInitDialog(&info));
    EXPECT_EQ(log.sizes.size(), 1u);
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, InitLowersInputPanelAndRejectsBadRecords) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(DeviceSipPreference(dialog, kSipRaise));
    DialogInitInfo info{1, dialog, kDialogInitFullScreen};
    ASSERT_TRUE(DeviceInitDialog(&info));
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_FALSE(sip.shown);

    DialogInitInfo noMask{0, dialog, kDialogInitFullScreen};
    EXPECT_FALSE(DeviceInitDialog(&noMask));
    DialogInitInfo noWindow{1, nullptr, kDialogInitFullScreen};
    EXPECT_FALSE(DeviceInitDialog(&noWindow));
    EXPECT_FALSE(DeviceInitDialog(nullptr));
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, NavigationBarTextIsTheCaption) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(DeviceSetNavBarText(dialog, L"替换"));
    EXPECT_EQ(TextOf(dialog), L"替换");
    EXPECT_FALSE(DeviceSetNavBarText(nullptr, L"x"));
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, CaptionOkStyleBecomesAnOkButtonSendingCommandOne) {
    DialogLog log;
    HWND dialog = CreateLogged(kGoToTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_EXSTYLE) & static_cast<LONG>(kCaptionOkStyle), 0);
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    RECT ok{};
    ASSERT_TRUE(DeviceCaptionOkRect(dialog, &ok));
    RECT window{};
    GetWindowRect(dialog, &window);
    RECT client{};
    GetClientRect(dialog, &client);
    POINT clientTop{0, 0};
    ClientToScreen(dialog, &clientTop);
    // It sits in the caption: inside the window, above the client area.
    EXPECT_GE(ok.left, window.left);
    EXPECT_LE(ok.right, window.right);
    EXPECT_LE(ok.bottom, clientTop.y);
    POINT centre = CentreOf(ok);
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), kCaptionOkHitTest);
    // Elsewhere in the caption the usual answer stays.
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(window.left + 40, centre.y)), HTCAPTION);

    SendMessageW(dialog, WM_NCLBUTTONDOWN, kCaptionOkHitTest, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(log.commands, std::vector<UINT>{IDOK});
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, TemplateWithoutTheStyleGetsNoCaptionOk) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    RECT ok{};
    EXPECT_FALSE(DeviceCaptionOkRect(dialog, &ok));
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, DoneButtonOfInitAddsTheCaptionOk) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    DialogInitInfo info{1, dialog, kDialogInitFullScreen};
    ASSERT_TRUE(DeviceInitDialog(&info));
    RECT ok{};
    EXPECT_TRUE(DeviceCaptionOkRect(dialog, &ok));
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, ModalCaptionOkEndsTheDialog) {
    DialogLog log;
    log.endOnOk = true;
    // Press the caption OK as soon as the modal loop runs.
    UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        HWND dialog = GetActiveWindow();
        RECT ok{};
        if (!dialog || !DeviceCaptionOkRect(dialog, &ok)) dialog = FindWindowW(L"#32770", L"跳转到");
        if (dialog && DeviceCaptionOkRect(dialog, &ok)) {
            POINT centre{(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
            LRESULT hit = SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y));
            PostMessageW(dialog, WM_NCLBUTTONDOWN, hit, MAKELPARAM(centre.x, centre.y));
        }
    });
    ASSERT_NE(timer, 0u);
    INT_PTR result = DeviceDialogBoxParam(nullptr, MAKEINTRESOURCEW(kGoToTemplate), nullptr, LoggingProc,
                                          reinterpret_cast<LPARAM>(&log));
    EXPECT_EQ(result, 77);
    EXPECT_EQ(log.commands, std::vector<UINT>{IDOK});
}

namespace {

// A dialog object as the program's dialogs are: bound through DialogBase.
class OkDialog : public DialogBase {
public:
    using Self = OkDialog;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        static const MessageMapEntry<OkDialog> kMap[] = {
            BX_MESSAGE(WM_INITDIALOG, OnInit),
            BX_COMMAND(IDOK, OnOk),
        };
        return RouteMessage(this, kMap, message, wParam, lParam, result);
    }
    bool initialised = false;
    bool hadCaptionOk = false;

private:
    bool OnInit(WPARAM, LPARAM, LRESULT& result) {
        initialised = true;
        PostMessageW(Handle(), WM_COMMAND, IDOK, 0);
        result = TRUE;
        return true;
    }
    bool OnOk(WPARAM, LPARAM, LRESULT& result) {
        RECT ok{};
        hadCaptionOk = DeviceCaptionOkRect(Handle(), &ok);
        EndDialog(Handle(), IDOK);
        result = 0;
        return true;
    }
};

}  // namespace

TEST(DeviceDialogsTest, DialogObjectsBindThroughTheCaptionOkPath) {
    OkDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, kGoToTemplate), IDOK);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_TRUE(dialog.hadCaptionOk);
}
