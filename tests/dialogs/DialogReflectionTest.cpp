// Dialog notifications: those the dialog's map leaves are reflected to the
// control that sent them, with the control's answer as the result; those the
// map consumes never reach the control.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "common/Window.h"
#include "resources/resource.h"

using namespace brevitex;

namespace {

constexpr int kHandledId = 901;
constexpr int kLeftId = 902;
constexpr LRESULT kControlAnswer = 7;

struct Reflected {
    HWND control;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Reflected> g_reflected;

// A child control that records what comes back to it and answers it.
LRESULT CALLBACK RecordingControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectBase + WM_COMMAND || message == kReflectBase + WM_NOTIFY) {
        g_reflected.push_back({hwnd, message, wParam, lParam});
        return kControlAnswer;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A dialog whose map handles the notifications of one control only.
class ProbeDialog : public DialogBase {
public:
    using Self = ProbeDialog;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        return RouteMessage(this, kMap, message, wParam, lParam, result);
    }
    int handled = 0;

private:
    bool OnHandled(WPARAM, LPARAM, LRESULT& result) {
        ++handled;
        result = 0;
        return true;
    }
    static constexpr MessageMapEntry<ProbeDialog> kMap[] = {
        BX_COMMAND_CODE(kHandledId, EN_CHANGE, OnHandled),
        BX_NOTIFY(kHandledId, NM_CLICK, OnHandled),
    };
};

class DialogReflection : public ::testing::Test {
protected:
    void SetUp() override {
        g_reflected.clear();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = RecordingControlProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        RegisterClassW(&windowClass);
        dialogWindow_ = dialog_.CreateModeless(nullptr, IDD_GOTO);
        ASSERT_NE(dialogWindow_, nullptr);
        handledControl_ = CreateControl(kHandledId);
        leftControl_ = CreateControl(kLeftId);
    }
    void TearDown() override {
        if (dialogWindow_) DestroyWindow(dialogWindow_);
        UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    }
    HWND CreateControl(int id) {
        return CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 10, 10, dialogWindow_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr);
    }
    LRESULT Command(HWND control, int id, UINT code) {
        return SendMessageW(dialogWindow_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }
    LRESULT Notify(HWND control, int id, NMHDR* header) {
        header->hwndFrom = control;
        header->idFrom = static_cast<UINT_PTR>(id);
        header->code = NM_CLICK;
        return SendMessageW(dialogWindow_, WM_NOTIFY, id, reinterpret_cast<LPARAM>(header));
    }

    static constexpr const wchar_t* kClassName = L"BrevitexReflectionProbe";
    ProbeDialog dialog_;
    HWND dialogWindow_ = nullptr;
    HWND handledControl_ = nullptr;
    HWND leftControl_ = nullptr;
};

TEST_F(DialogReflection, UnhandledNotificationsGoBackToTheirControl) {
    Command(leftControl_, kLeftId, EN_CHANGE);
    NMHDR header{};
    const LRESULT answer = Notify(leftControl_, kLeftId, &header);

    ASSERT_EQ(g_reflected.size(), 2u);
    EXPECT_EQ(g_reflected[0].control, leftControl_);
    EXPECT_EQ(g_reflected[0].message, kReflectBase + WM_COMMAND);
    EXPECT_EQ(g_reflected[0].wParam, MAKEWPARAM(kLeftId, EN_CHANGE));
    EXPECT_EQ(g_reflected[0].lParam, reinterpret_cast<LPARAM>(leftControl_));
    EXPECT_EQ(g_reflected[1].control, leftControl_);
    EXPECT_EQ(g_reflected[1].message, kReflectBase + WM_NOTIFY);
    EXPECT_EQ(g_reflected[1].lParam, reinterpret_cast<LPARAM>(&header));
    // The control's answer is the dialog's result for the notification.
    EXPECT_EQ(answer, kControlAnswer);
    EXPECT_EQ(dialog_.handled, 0);
}

TEST_F(DialogReflection, HandledNotificationsStayWithTheDialog) {
    Command(handledControl_, kHandledId, EN_CHANGE);
    NMHDR header{};
    Notify(handledControl_, kHandledId, &header);

    EXPECT_EQ(dialog_.handled, 2);
    EXPECT_TRUE(g_reflected.empty());
}

}  // namespace
