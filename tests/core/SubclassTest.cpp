// The subclass chains: order and results through the chain, removal in any
// order and while a subclass runs, a procedure installed over the chain by
// someone else, the window's end, and window objects attached to windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/Subclass.h"
#include "common/Window.h"

using namespace brevitex;

namespace {

constexpr UINT kProbe = WM_USER + 1;        // answered 7 by the window's own procedure
constexpr UINT kRemoveSelf = WM_USER + 2;   // subclass 1 removes itself, then passes the message on
constexpr UINT kDestroy = WM_USER + 3;      // the top subclass destroys the window
constexpr UINT kRemoveBelow = WM_USER + 4;  // subclass 2 removes subclass 1, then passes the message on

std::vector<std::string> g_log;

LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        g_log.push_back("own");
        return 7;
    }
    if (message == kRemoveBelow) g_log.push_back("own");
    if (message == WM_NCDESTROY) g_log.push_back("own end");
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Records "<id>" (or "<id> end") and adds one to what the rest of the chain answers.
LRESULT Recorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, void*) {
    const std::string name = std::to_string(id);
    if (message == kProbe) g_log.push_back(name);
    if (message == WM_NCDESTROY) g_log.push_back(name + " end");
    if (message == kRemoveSelf && id == 1) {
        EXPECT_TRUE(RemoveSubclass(hwnd, Recorder, 1));
        g_log.push_back("1 removed itself");
    }
    if (message == kRemoveBelow) {
        g_log.push_back(name);
        if (id == 2) {
            EXPECT_TRUE(RemoveSubclass(hwnd, Recorder, 1));
        }
    }
    if (message == kDestroy && id == 3) {
        DestroyWindow(hwnd);
        return 0;
    }
    LRESULT rest = CallNextSubclass(hwnd, message, wParam, lParam);
    return message == kProbe ? rest + 1 : rest;
}

WNDPROC g_foreignNext = nullptr;

// A procedure someone else installs over the chain, in the usual way.
LRESULT CALLBACK ForeignProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) g_log.push_back("foreign");
    return CallWindowProcW(g_foreignNext, hwnd, message, wParam, lParam);
}

HWND MakeWindow() {
    static const wchar_t kClass[] = L"BrevitexSubclassTestWindow";
    static ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        return RegisterClassExW(&wc);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Sends the probe; gives what the window answered and the log of who saw it.
std::pair<LRESULT, std::vector<std::string>> Probe(HWND hwnd) {
    g_log.clear();
    LRESULT result = SendMessageW(hwnd, kProbe, 0, 0);
    return {result, g_log};
}

using Log = std::vector<std::string>;

// A window object that notes the probes it sees and passes them on.
class Watcher : public WindowBase {
public:
    void LetGo() { Unbind(); }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == kProbe) g_log.push_back("object");
        return false;
    }
};

}  // namespace

TEST(SubclassTest, NewestRunsFirstAndTheWindowsProcedureLast) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    int first = 0;
    int second = 0;
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 1, &first));
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 2, nullptr));
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{9}, Log{"2", "1", "own"}));

    // Adding one that is there only replaces its data.
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 2, &second));
    void* data = nullptr;
    ASSERT_TRUE(FindSubclass(hwnd, Recorder, 2, &data));
    EXPECT_EQ(data, &second);
    ASSERT_TRUE(FindSubclass(hwnd, Recorder, 1, &data));
    EXPECT_EQ(data, &first);
    EXPECT_FALSE(FindSubclass(hwnd, Recorder, 3));
    EXPECT_EQ(Probe(hwnd).second, (Log{"2", "1", "own"}));

    // Removed in the order they were added, the older first.
    EXPECT_TRUE(RemoveSubclass(hwnd, Recorder, 1));
    EXPECT_FALSE(RemoveSubclass(hwnd, Recorder, 1));
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{8}, Log{"2", "own"}));
    EXPECT_TRUE(RemoveSubclass(hwnd, Recorder, 2));
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{7}, Log{"own"}));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), OwnProc)
        << "the window has its own procedure back";
    DestroyWindow(hwnd);
}

TEST(SubclassTest, AProcedureInstalledOverTheChainKeepsItsNextOne) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 1, nullptr));
    g_foreignNext = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
    ASSERT_NE(g_foreignNext, nullptr);
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{8}, Log{"foreign", "1", "own"}));

    // With the chain empty the foreign procedure still reaches the window's own.
    EXPECT_TRUE(RemoveSubclass(hwnd, Recorder, 1));
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{7}, Log{"foreign", "own"}));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)), ForeignProc);
    // And a new subclass joins the chain under the foreign procedure.
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 2, nullptr));
    EXPECT_EQ(Probe(hwnd).second, (Log{"foreign", "2", "own"}));
    DestroyWindow(hwnd);
}

TEST(SubclassTest, ASubclassMayRemoveItselfOrDestroyTheWindowWhileItRuns) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 1, nullptr));
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 2, nullptr));
    g_log.clear();
    SendMessageW(hwnd, kRemoveSelf, 0, 0);
    EXPECT_EQ(g_log, (Log{"1 removed itself"}));
    EXPECT_FALSE(FindSubclass(hwnd, Recorder, 1));
    EXPECT_EQ(Probe(hwnd).second, (Log{"2", "own"}));

    // The window goes from inside the chain: every subclass and the window's
    // own procedure see its last message, and the chain goes with it.
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 3, nullptr));
    g_log.clear();
    SendMessageW(hwnd, kDestroy, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(g_log, (Log{"3 end", "2 end", "own end"}));
    EXPECT_FALSE(FindSubclass(hwnd, Recorder, 2));
    EXPECT_FALSE(FindSubclass(hwnd, Recorder, 3));
}

TEST(SubclassTest, ASubclassRemovedBelowTheRunningOneIsPassedOver) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 1, nullptr));
    ASSERT_TRUE(AddSubclass(hwnd, Recorder, 2, nullptr));
    g_log.clear();
    SendMessageW(hwnd, kRemoveBelow, 0, 0);
    EXPECT_EQ(g_log, (Log{"2", "own"})) << "the removed subclass is not called";
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{8}, Log{"2", "own"}));
    DestroyWindow(hwnd);
}

TEST(SubclassTest, AWindowObjectThatLetsGoLeavesTheProceduresAroundIt) {
    HWND hwnd = MakeWindow();
    ASSERT_NE(hwnd, nullptr);
    Watcher watcher;
    ASSERT_TRUE(watcher.Subclass(hwnd));
    EXPECT_EQ(WindowBase::FromHandle(hwnd), &watcher);
    g_foreignNext = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignProc)));
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{7}, Log{"foreign", "object", "own"}));

    watcher.LetGo();
    EXPECT_EQ(WindowBase::FromHandle(hwnd), nullptr);
    EXPECT_EQ(Probe(hwnd), std::make_pair(LRESULT{7}, Log{"foreign", "own"}))
        << "the message still reaches the window's own procedure";
    DestroyWindow(hwnd);
}
