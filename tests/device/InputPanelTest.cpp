// The emulated input panel: the reported rectangles, the WM_SETTINGCHANGE
// announcement to every thread, and the activation record.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
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
