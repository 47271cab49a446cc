// The emulated input panel: raising and lowering, the reported rectangles,
// the WM_SETTINGCHANGE announcement to every thread, and the activation record.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "DeviceTestWindows.h"
#include "common/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::PumpUntil;

namespace {

constexpr UINT kSetSipInfo = 224;

int SipAnnouncements(const RecordingWindow& window) {
    int count = 0;
    for (const auto& record : window.Of(WM_SETTINGCHANGE)) count += record.wParam == kSetSipInfo;
    return count;
}

bool PanelShown() {
    SipInfo sip{};
    return DeviceSipGetInfo(&sip) && sip.shown;
}

class InputPanelTest : public testing::Test {
protected:
    void SetUp() override { DeviceSipPreference(nullptr, kSipLower); }
    void TearDown() override { DeviceSipPreference(nullptr, kSipLower); }
};

}  // namespace

TEST_F(InputPanelTest, RaiseAndLowerChangeTheReportedRectangles) {
    RECT work = DeviceWorkArea();
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_FALSE(sip.shown);
    EXPECT_TRUE(EqualRect(&sip.visibleDesktop, &work));
    EXPECT_EQ(sip.panel.bottom, work.bottom);

    ASSERT_TRUE(DeviceSipPreference(nullptr, kSipRaise));
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    EXPECT_TRUE(sip.shown);
    EXPECT_EQ(sip.panel.left, work.left);
    EXPECT_EQ(sip.panel.right, work.right);
    EXPECT_EQ(sip.panel.bottom, work.bottom);
    EXPECT_GT(sip.panel.bottom - sip.panel.top, 40);
    EXPECT_EQ(sip.visibleDesktop.top, work.top);
    EXPECT_EQ(sip.visibleDesktop.bottom, sip.panel.top);

    ASSERT_TRUE(DeviceSipPreference(nullptr, kSipLower));
    EXPECT_FALSE(PanelShown());
    EXPECT_FALSE(DeviceSipPreference(nullptr, 2));
    EXPECT_FALSE(DeviceSipGetInfo(nullptr));
}

TEST_F(InputPanelTest, PanelWindowShowsAboveTheMenuBarStrip) {
    ASSERT_TRUE(DeviceSipPreference(nullptr, kSipRaise));
    SipInfo sip{};
    ASSERT_TRUE(DeviceSipGetInfo(&sip));
    POINT inside{(sip.panel.left + sip.panel.right) / 2, (sip.panel.top + sip.panel.bottom) / 2};
    HWND found = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            found = WindowFromPoint(inside);
            wchar_t name[64] = {};
            if (found) GetClassNameW(found, name, 64);
            return std::wstring(name) == L"BrevitexInputPanel" && IsWindowVisible(found);
        },
        3000));
    ASSERT_TRUE(DeviceSipPreference(nullptr, kSipLower));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(found); }, 3000));
}

TEST_F(InputPanelTest, ChangeIsAnnouncedOnceToWindowsOfEveryThread) {
    RecordingWindow here(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    std::atomic<int> otherThreadAnnouncements{0};
    std::atomic<bool> otherReady{false};
    std::atomic<bool> stop{false};
    std::thread other([&] {
        RecordingWindow there(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
        otherReady = true;
        while (!stop) {
            testsupport::PumpPending();
            otherThreadAnnouncements = SipAnnouncements(there);
            Sleep(5);
        }
    });
    while (!otherReady) Sleep(5);

    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipRaise));
    // The calling thread's windows hear of it before the call returns.
    EXPECT_EQ(SipAnnouncements(here), 1);
    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipRaise));
    EXPECT_EQ(SipAnnouncements(here), 1);  // no change, no announcement
    ASSERT_TRUE(DeviceSipPreference(here.Handle(), kSipLower));
    EXPECT_EQ(SipAnnouncements(here), 2);
    EXPECT_TRUE(PumpUntil([&] { return otherThreadAnnouncements == 2; }, 3000));
    stop = true;
    other.join();
}

TEST_F(InputPanelTest, ActivationGivesAWindowItsPanelStateBack) {
    RecordingWindow window(WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
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
    EXPECT_EQ(DeviceHandleSettingChange(window.Handle(), kSetSipInfo, 0, &record), 0);
}
