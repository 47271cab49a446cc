// Dialogs on the device screen: full-screen initialisation with WM_SIZE, and
// the caption OK button of templates that ask for one.
#include <gtest/gtest.h>

#include "device/DeviceShell.h"
#include "common/Window.h"
#include "support/TestSupport.h"

using namespace brevitex;

namespace {

constexpr UINT kGoToTemplate = 114;  // has the caption OK extended style
constexpr UINT kFindTemplate = 111;  // does not

struct DialogLog {
    std::vector<SIZE> sizes;
    std::vector<UINT> commands;  // from menus, keys and the caption, not from controls
};

INT_PTR CALLBACK LoggingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (log && message == WM_SIZE) log->sizes.push_back(SIZE{LOWORD(lParam), HIWORD(lParam)});
    if (log && message == WM_COMMAND && lParam == 0) log->commands.push_back(LOWORD(wParam));
    return message == WM_INITDIALOG;
}

HWND CreateLogged(UINT templateId, DialogLog* log) {
    return DeviceCreateDialogParam(nullptr, MAKEINTRESOURCEW(templateId), nullptr, LoggingProc,
                                   reinterpret_cast<LPARAM>(log));
}

}  // namespace

TEST(DeviceDialogsTest, FullScreenInitSizesDialogAboveMenuBarAndLowersPanel) {
    DialogLog log;
    HWND dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(DeviceSipPreference(dialog, kSipRaise));
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
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_FALSE(sip.shown);

    // Already full screen: the dialog still gets a WM_SIZE, so its layout runs.
    log.sizes.clear();
    ASSERT_TRUE(DeviceInitDialog(&info));
    EXPECT_EQ(log.sizes.size(), 1u);
    DialogInitInfo noMask{0, dialog, kDialogInitFullScreen};
    EXPECT_FALSE(DeviceInitDialog(&noMask));
    DestroyWindow(dialog);
}

TEST(DeviceDialogsTest, CaptionOkStyleBecomesAnOkButtonSendingCommandOne) {
    DialogLog log;
    HWND dialog = CreateLogged(kGoToTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindowLongW(dialog, GWL_EXSTYLE) & static_cast<LONG>(kCaptionOkStyle), 0);
    RECT ok{};
    ASSERT_TRUE(DeviceCaptionOkRect(dialog, &ok));
    RECT window{};
    GetWindowRect(dialog, &window);
    POINT clientTop{0, 0};
    ClientToScreen(dialog, &clientTop);
    EXPECT_GE(ok.left, window.left);
    EXPECT_LE(ok.right, window.right);
    EXPECT_LE(ok.bottom, clientTop.y);  // in the caption, above the client area
    POINT centre{(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), kCaptionOkHitTest);
    EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(window.left + 40, centre.y)), HTCAPTION);
    SendMessageW(dialog, WM_NCLBUTTONDOWN, kCaptionOkHitTest, MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(log.commands, std::vector<UINT>{IDOK});
    DestroyWindow(dialog);

    // Without the style there is no caption OK, until the done button of the full-screen set-up.
    dialog = CreateLogged(kFindTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(DeviceCaptionOkRect(dialog, &ok));
    DialogInitInfo info{1, dialog, kDialogInitFullScreen};
    ASSERT_TRUE(DeviceInitDialog(&info));
    EXPECT_TRUE(DeviceCaptionOkRect(dialog, &ok));
    DestroyWindow(dialog);

    // A Smartphone has no done button: its dialogs end through their soft keys.
    {
        testsupport::PlatformScope smartphone(true);
        dialog = CreateLogged(kFindTemplate, &log);
        ASSERT_NE(dialog, nullptr);
        info.dialog = dialog;
        EXPECT_TRUE(DeviceInitDialog(&info));
        EXPECT_FALSE(DeviceCaptionOkRect(dialog, &ok));
    }
    DestroyWindow(dialog);
}

namespace {

// A modal dialog object, bound through DialogBase like the program's dialogs,
// that presses its caption OK once it runs (and gives up after five seconds).
class PressOkDialog : public DialogBase {
public:
    using Self = PressOkDialog;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        static const MessageMapEntry<PressOkDialog> kMap[] = {
            BX_MESSAGE(WM_INITDIALOG, OnInit),
            BX_MESSAGE(kPressOk, OnPressOk),
            BX_MESSAGE(WM_TIMER, OnGiveUp),
            BX_COMMAND(IDOK, OnOk),
        };
        return RouteMessage(this, kMap, message, wParam, lParam, result);
    }

private:
    static constexpr UINT kPressOk = WM_APP + 1;
    bool OnInit(WPARAM, LPARAM, LRESULT& result) {
        PostMessageW(Handle(), kPressOk, 0, 0);
        SetTimer(Handle(), 1, 5000, nullptr);
        result = TRUE;
        return true;
    }
    bool OnPressOk(WPARAM, LPARAM, LRESULT&) {
        RECT ok{};
        if (DeviceCaptionOkRect(Handle(), &ok)) {
            POINT centre{(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2};
            LRESULT hit = SendMessageW(Handle(), WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y));
            PostMessageW(Handle(), WM_NCLBUTTONDOWN, hit, MAKELPARAM(centre.x, centre.y));
        }
        return true;
    }
    bool OnGiveUp(WPARAM, LPARAM, LRESULT&) {
        EndDialog(Handle(), -2);
        return true;
    }
    bool OnOk(WPARAM, LPARAM, LRESULT& result) {
        EndDialog(Handle(), 77);
        result = 0;
        return true;
    }
};

}  // namespace

TEST(DeviceDialogsTest, ModalDialogObjectEndsThroughItsCaptionOk) {
    ASSERT_TRUE(DeviceAttachThread());
    PressOkDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, kGoToTemplate), 77);
    DeviceDetachThread();
}

TEST(DeviceDialogsTest, SoftKeysWorkInsideAModalDialogLoop) {
    // The right soft key of the OK/Cancel bar, pressed with F2, cancels the modal dialog.
    DLGPROC proc = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) CALLBACK -> INT_PTR {
        if (message == WM_INITDIALOG) {
            MenuBarInfo info{sizeof(MenuBarInfo), dialog, 0, 59139, GetModuleHandleW(nullptr), 0, 0, nullptr, 0};
            if (DeviceCreateMenuBar(&info)) PostMessageW(dialog, WM_KEYDOWN, VK_F2, 1);
            SetTimer(dialog, 1, 5000, nullptr);
            return TRUE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && lParam == 0) EndDialog(dialog, 55);
        if (message == WM_TIMER) EndDialog(dialog, -2);
        return FALSE;
    };
    EXPECT_EQ(DeviceDialogBoxParam(nullptr, MAKEINTRESOURCEW(kFindTemplate), nullptr, proc, 0), 55);
}

TEST(DeviceDialogsTest, CaptionOkAndMenuBarsShareTheDialogInAnyOrder) {
    DialogLog log;
    HWND dialog = CreateLogged(kGoToTemplate, &log);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    auto okHit = [&] {
        RECT ok{};
        if (!DeviceCaptionOkRect(dialog, &ok)) return LRESULT{-1};
        return SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2));
    };
    ASSERT_EQ(okHit(), kCaptionOkHitTest);

    // A second bar replaces the first; both follow the dialog over its caption OK.
    MenuBarInfo info{sizeof(MenuBarInfo), dialog, 0, 59139, GetModuleHandleW(nullptr), 0, 0, nullptr, 0};
    ASSERT_TRUE(DeviceCreateMenuBar(&info));
    HWND first = info.menuBar;
    ASSERT_TRUE(DeviceCreateMenuBar(&info));
    HWND second = info.menuBar;
    EXPECT_FALSE(IsWindow(first));
    ShowWindow(dialog, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(second));
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(IsWindowVisible(second));
    EXPECT_EQ(okHit(), kCaptionOkHitTest);

    // The bar goes first; the caption OK, chained under it, keeps working.
    DestroyWindow(second);
    ASSERT_EQ(okHit(), kCaptionOkHitTest);
    RECT ok{};
    ASSERT_TRUE(DeviceCaptionOkRect(dialog, &ok));
    SendMessageW(dialog, WM_NCLBUTTONDOWN, kCaptionOkHitTest, MAKELPARAM(ok.left + 1, ok.top + 1));
    EXPECT_EQ(log.commands, std::vector<UINT>{IDOK});
    DestroyWindow(dialog);
}
