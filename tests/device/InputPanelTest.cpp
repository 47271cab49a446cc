// The emulated input panel: the reported rectangles, the WM_SETTINGCHANGE
// announcement to every thread, and the activation record.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;

namespace {

constexpr UINT kSetSipInfo = 224;

int Announcements(const RecordingWindow& window) {
    int count = 0;
    for (const MSG& record : window.Of(WM_SETTINGCHANGE)) count += record.wParam == kSetSipInfo;
    return count;
}

bool PanelShown() {
    SipInfo sip{};
    return DeviceSipGetInfo(&sip) && sip.shown;
}

}  // namespace

TEST(InputPanelTest, RaiseAndLowerChangeRectanglesAndAreAnnouncedOnce) {
    DeviceSipPreference(nullptr, kSipLower);
    RecordingWindow here(WS_POPUP, 0, 0, 100, 100);
    std::atomic<int> there{0};
    std::atomic<bool> stop{false};
    std::thread other([&] {
        RecordingWindow window(WS_POPUP, 0, 0, 100, 100);
        while (!stop) {
            testsupport::PumpPending();
            there = Announcements(window) + 1;
            Sleep(5);
        }
    });
    for (int i = 0; there == 0 && i < 400; ++i) Sleep(5);

    RECT work = DeviceWorkArea();
    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipRaise));
    EXPECT_EQ(Announcements(here), 1);  // this thread hears of it before the call returns
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_TRUE(sip.shown);
    EXPECT_EQ(sip.panel.left, work.left);
    EXPECT_EQ(sip.panel.right, work.right);
    EXPECT_EQ(sip.panel.bottom, work.bottom);
    EXPECT_GT(sip.panel.bottom - sip.panel.top, 40);
    EXPECT_EQ(sip.visibleDesktop.top, work.top);
    EXPECT_EQ(sip.visibleDesktop.bottom, sip.panel.top);

    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipRaise));
    EXPECT_EQ(Announcements(here), 1);  // no change, no announcement
    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipLower));
    EXPECT_EQ(Announcements(here), 2);
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_FALSE(sip.shown);
    EXPECT_TRUE(EqualRect(&sip.visibleDesktop, &work));
    EXPECT_FALSE(DeviceSipPreference(nullptr, 2));

    EXPECT_TRUE(testsupport::PumpUntil([&] { return there == 3; }, 3000));
    stop = true;
    other.join();
}

TEST(InputPanelTest, ActivationGivesAWindowItsPanelStateBack) {
    RecordingWindow window(WS_POPUP, 0, 0, 100, 100);
    ActivateInfo record{sizeof(ActivateInfo), {0, 0}};
    ASSERT_EQ(sizeof(ActivateInfo), 12u);
    ASSERT_TRUE(DeviceSipPreference(window.Handle(), kSipRaise));
    ASSERT_TRUE(DeviceHandleActivate(window.Handle(), WA_INACTIVE, 0, &record));
    DeviceSipPreference(nullptr, kSipLower);  // another window lowers it meanwhile
    ASSERT_TRUE(DeviceHandleActivate(window.Handle(), WA_ACTIVE, 0, &record));
    EXPECT_TRUE(PanelShown());

    // Activation without an earlier deactivation leaves the panel alone.
    ActivateInfo fresh{sizeof(ActivateInfo), {0, 0}};
    DeviceSipPreference(nullptr, kSipLower);
    ASSERT_TRUE(DeviceHandleActivate(window.Handle(), WA_CLICKACTIVE, 0, &fresh));
    EXPECT_FALSE(PanelShown());
    ActivateInfo wrongSize{8, {0, 0}};
    EXPECT_FALSE(DeviceHandleActivate(window.Handle(), WA_ACTIVE, 0, &wrongSize));
}

TEST(InputPanelTest, TappingAKeyTypesIntoTheFocusedEditBox) {
    RecordingWindow frame(WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, frame.Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(frame.Handle());
    SetFocus(edit);
    ASSERT_TRUE(DeviceSipPreference(edit, kSipRaise));
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    POINT first{sip.panel.left + (sip.panel.right - sip.panel.left) / 20,
                sip.panel.top + (sip.panel.bottom - sip.panel.top) / 8};
    HWND panel = nullptr;
    ASSERT_TRUE(testsupport::PumpUntil(
        [&] {
            wchar_t name[64] = {};
            GetClassNameW(panel = WindowFromPoint(first), name, 64);
            return std::wstring(name) == L"BrevitexInputPanel";
        },
        3000));
    ScreenToClient(panel, &first);
    PostMessageW(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(first.x, first.y));
    EXPECT_TRUE(testsupport::PumpUntil([&] { return devicetest::WindowText(edit) == L"q"; }, 3000));
    EXPECT_EQ(GetFocus(), edit);  // the panel never takes the focus
    DeviceSipPreference(edit, kSipLower);
}
