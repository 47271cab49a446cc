// Process entry, single-instance hand-over and frame threads: the command-line
// quoting rules, WM_COPYDATA hand-over, the thread limit, and the built program
// launched twice as a user would.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceShell.h"
#include "common/Messages.h"
#include "common/Module.h"
#include "shell/AppModule.h"
#include "shell/FrameThread.h"
#include "shell/FrameThreadManager.h"
#include "shell/MainFrame.h"
#include "common/MessageLoop.h"
#include "support/TestSupport.h"
#include "FrameTestSupport.h"

using namespace brevitex;
using testsupport::ChildProcess;
using testsupport::ProgramCommandLine;
using testsupport::PumpUntil;
using testsupport::WindowText;
using frametest::FrameWindowsOf;

namespace {

std::wstring Prepared(const wchar_t* text) {
    std::wstring buffer(text);
    wchar_t* result = PrepareCommandLine(buffer.data());
    return result;
}

bool WaitForWindowCount(DWORD processId, size_t count, DWORD timeoutMs = 15000) {
    return PumpUntil([&] { return FrameWindowsOf(processId).size() == count; }, timeoutMs);
}

}  // namespace

TEST(CommandLineTest, QuotingRules) {
    EXPECT_EQ(Prepared(L"\\My Documents\\a b.txt"), L"\\My Documents\\a b.txt");  // unquoted: taken whole
    EXPECT_EQ(Prepared(L"\"\\My Documents\\a b.txt\""), L"\\My Documents\\a b.txt");
    EXPECT_EQ(Prepared(L"'\\temp\\note.txt'"), L"\\temp\\note.txt");
    EXPECT_EQ(Prepared(L"\"\\temp\\open only"), L"\\temp\\open only");          // only an opening quote
    EXPECT_EQ(Prepared(L"\"\\a.txt\" -x extra"), L"\\a.txt");                     // words after the quote dropped
    EXPECT_EQ(Prepared(L"\"\\a\" and \"\\b\" tail"), L"\\a\" and \"\\b");         // up to the last quote of that kind
    EXPECT_EQ(Prepared(L"'\\it\"s'"), L"\\it\"s");                                // the other quote is ordinary
    EXPECT_EQ(Prepared(L""), L"");
    EXPECT_EQ(PrepareCommandLine(nullptr), nullptr);
}

// A frame window on the test thread, with the test thread standing in as the main thread.
class FrameOnThisThread : public ::testing::Test {
protected:
    void SetUp() override {
        Module().Init(GetModuleHandleW(nullptr));
        RegisterThreadLoop(&loop_);
        ASSERT_NE(RegisterFrameClass(), 0);
        hwnd_ = frame_.CreateBound(0, kFrameClassName, L"", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                   ProgramInstance(), const_cast<wchar_t*>(L""));
        ASSERT_NE(hwnd_, nullptr);
        DrainNewFrameMessages();
    }
    void TearDown() override {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the frame's own quit
        DrainNewFrameMessages();
        UnregisterThreadLoop();
    }
    // Collects the UWM_NEW_FRAME requests posted to this thread.
    std::vector<std::pair<WPARAM, std::wstring>> DrainNewFrameMessages() {
        std::vector<std::pair<WPARAM, std::wstring>> requests;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, UWM_NEW_FRAME, UWM_NEW_FRAME, PM_REMOVE)) {
            auto* text = reinterpret_cast<wchar_t*>(msg.lParam);
            requests.emplace_back(msg.wParam, text);
            FreeOnHeap(text);
        }
        return requests;
    }
    LRESULT SendCopyData(const void* data, DWORD bytes, ULONG_PTR show) {
        COPYDATASTRUCT record{show, bytes, const_cast<void*>(data)};
        return SendMessageW(hwnd_, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_), reinterpret_cast<LPARAM>(&record));
    }

    MessageLoop loop_;
    MainFrame frame_;
    HWND hwnd_ = nullptr;
};

TEST_F(FrameOnThisThread, CopyDataPostsNewFrameRequestWithinByteCount) {
    const wchar_t whole[] = L"\\docs\\a.txt";
    EXPECT_EQ(SendCopyData(whole, sizeof(whole), SW_SHOWNORMAL), 0);
    auto requests = DrainNewFrameMessages();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].first, static_cast<WPARAM>(SW_SHOWNORMAL));
    EXPECT_EQ(requests[0].second, L"\\docs\\a.txt");

    // No terminator inside cbData: only cbData / 2 units are taken (odd byte dropped).
    const wchar_t unterminated[] = {L'a', L'b', L'c', L'd', L'e'};
    SendCopyData(unterminated, 7, SW_SHOW);
    requests = DrainNewFrameMessages();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].second, L"abc");

    // No data or no bytes: ignored.
    SendCopyData(nullptr, 8, SW_SHOW);
    SendCopyData(whole, 0, SW_SHOW);
    EXPECT_TRUE(DrainNewFrameMessages().empty());
    EXPECT_TRUE(IsWindow(hwnd_)) << "nothing is opened in the receiving window";
}

// Runs a FrameThreadManager on its own thread, which stands in for the main thread.
class ManagerThread {
public:
    ManagerThread() {
        thread_ = std::thread([this] {
            Module().Init(GetModuleHandleW(nullptr));
            threadId_ = GetCurrentThreadId();
            FrameThreadManager manager;
            result_ = manager.RunThreads(DuplicateOnHeap(L""), SW_SHOWNORMAL);
            done_ = true;
        });
        PumpUntil([this] { return threadId_ != 0; });
    }
    ~ManagerThread() {
        // A failed test may leave frames open: close them so the manager ends.
        for (int i = 0; i < 50 && !done_; ++i) {
            for (HWND hwnd : FrameWindowsOf(GetCurrentProcessId())) PostMessageW(hwnd, WM_CLOSE, 0, 0);
            PumpUntil([this] { return done_; }, 200);
        }
        if (done_) {
            thread_.join();
        } else {
            thread_.detach();
        }
    }
    void RequestFrame(const wchar_t* commandLine) {
        PostThreadMessageW(threadId_, UWM_NEW_FRAME, SW_SHOWNORMAL,
                           reinterpret_cast<LPARAM>(DuplicateOnHeap(commandLine)));
    }
    DWORD ThreadId() const { return threadId_; }
    bool Done() const { return done_; }
    DWORD Result() const { return result_; }

private:
    std::thread thread_;
    volatile DWORD threadId_ = 0;
    volatile bool done_ = false;
    volatile DWORD result_ = 0;
};

// Windows are opened and closed one at a time: Wine's X11 driver has been seen
// to corrupt its heap when dozens of GUI threads start or end at once.
TEST(FrameThreadManagerTest, RefusesTheSixtyFourthWindowAndEndsWithTheLast) {
    testsupport::BoxAnswerer boxes(IDOK);
    const DWORD self = GetCurrentProcessId();
    auto frameCountIs = [&](size_t n) { return PumpUntil([&] { return FrameWindowsOf(self).size() == n; }, 15000); };
    {
        ManagerThread manager;
        ASSERT_TRUE(frameCountIs(1));

        // Other messages to the main thread are removed and ignored.
        PostThreadMessageW(manager.ThreadId(), WM_USER + 5, 0, 0);
        for (size_t i = 2; i <= 63; ++i) {
            manager.RequestFrame(L"");
            ASSERT_TRUE(frameCountIs(i)) << FrameWindowsOf(self).size();
        }
        EXPECT_TRUE(boxes.Boxes().empty());

        // The first refusal shows a real box (the answer 0 lets it through).
        boxes.SetAnswers({0, IDOK});
        manager.RequestFrame(L"");
        ASSERT_TRUE(PumpUntil([&] { return !boxes.Boxes().empty(); }, 10000));
        auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, L"ERROR: Cannot create ANY MORE threads!!!");
        EXPECT_EQ(shown[0].caption, L"Brevitex");
        EXPECT_EQ(shown[0].type & 0xF, static_cast<UINT>(MB_OK));
        HWND box = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowW(L"#32770", L"Brevitex")) != nullptr; }, 10000));
        // A request that comes while that box is up is refused and told too.
        manager.RequestFrame(L"");
        ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes().size() == 2; }, 10000)) << "the second refusal went untold";
        EXPECT_EQ(boxes.Boxes()[1].text, L"ERROR: Cannot create ANY MORE threads!!!");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box); }, 10000));
        EXPECT_EQ(FrameWindowsOf(self).size(), 63u);

        // Closing all but one leaves the manager running; a new window works again.
        for (size_t left = 63; left > 1; --left) {
            PostMessageW(FrameWindowsOf(self).back(), WM_CLOSE, 0, 0);
            ASSERT_TRUE(frameCountIs(left - 1));
        }
        // The new window is made by the manager: it is still running.
        manager.RequestFrame(L"");
        ASSERT_TRUE(frameCountIs(2));
        EXPECT_FALSE(manager.Done());

        while (!FrameWindowsOf(self).empty()) {
            size_t left = FrameWindowsOf(self).size();
            PostMessageW(FrameWindowsOf(self).back(), WM_CLOSE, 0, 0);
            ASSERT_TRUE(frameCountIs(left - 1));
        }
        ASSERT_TRUE(PumpUntil([&] { return manager.Done(); }, 30000));
        EXPECT_EQ(manager.Result(), 1u);
    }
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST(ProgramTest, SecondLaunchOpensAWindowInTheRunningCopy) {
    testsupport::TempDir dir;
    std::wstring first = dir.File(L"first file.txt");
    std::wstring second = dir.File(L"second.txt");
    ASSERT_TRUE(testsupport::WriteBytes(first, "one\r\n"));
    ASSERT_TRUE(testsupport::WriteBytes(second, "two\r\n"));

    ChildProcess running(ProgramCommandLine(L"\"" + first + L"\""));
    ASSERT_TRUE(running.Started());
    ASSERT_TRUE(WaitForWindowCount(running.Id(), 1));
    // The title settles once the frame's first idle pass has seen the loaded document.
    EXPECT_TRUE(PumpUntil([&] {
        auto windows = FrameWindowsOf(running.Id());
        return !windows.empty() && WindowText(windows[0]) == L"first file.txt - Brevitex";
    }));

    ChildProcess later(ProgramCommandLine(second));
    DWORD laterExit = 99;
    ASSERT_TRUE(later.WaitForExit(&laterExit));
    EXPECT_EQ(laterExit, 0u);
    EXPECT_TRUE(FrameWindowsOf(later.Id()).empty());

    ASSERT_TRUE(WaitForWindowCount(running.Id(), 2));
    EXPECT_TRUE(PumpUntil([&] {
        bool secondShown = false;
        for (HWND hwnd : FrameWindowsOf(running.Id())) secondShown |= WindowText(hwnd) == L"second.txt - Brevitex";
        return secondShown;
    }));

    // A launch without arguments opens another (untitled) window.
    ChildProcess bare(ProgramCommandLine(L""));
    DWORD bareExit = 99;
    EXPECT_TRUE(bare.WaitForExit(&bareExit));
    EXPECT_EQ(bareExit, 0u);
    ASSERT_TRUE(WaitForWindowCount(running.Id(), 3));

    // Closing one window leaves the rest running; closing the last ends the process.
    auto windows = FrameWindowsOf(running.Id());
    PostMessageW(windows[0], WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForWindowCount(running.Id(), 2));
    EXPECT_EQ(WaitForSingleObject(running.Handle(), 200), static_cast<DWORD>(WAIT_TIMEOUT));
    for (HWND hwnd : FrameWindowsOf(running.Id())) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(running.WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 1u);
}

// Copies made suspended and resumed together start at the same moment; all
// but the first hand over, so one process is left with a window for each.
TEST(ProgramTest, ABurstOfLaunchesEndsInOneProcessWithAllTheWindows) {
    constexpr size_t kLaunches = 30;
    std::vector<std::unique_ptr<ChildProcess>> launches;
    for (size_t i = 0; i < kLaunches; ++i) {
        launches.push_back(std::make_unique<ChildProcess>(ProgramCommandLine(L""), CREATE_SUSPENDED));
        ASSERT_TRUE(launches.back()->Started());
    }
    for (auto& launch : launches) ResumeThread(launch->MainThread());
    auto running = [&] {
        std::vector<ChildProcess*> left;
        for (auto& launch : launches) {
            if (WaitForSingleObject(launch->Handle(), 0) == WAIT_TIMEOUT) left.push_back(launch.get());
        }
        return left;
    };
    // Settled when every launch has its window and each process left shows
    // some (the others have handed over). Bounded, and generous: thirty Wine
    // processes start on a loaded machine.
    const bool settled = PumpUntil([&] {
        size_t windows = 0;
        for (ChildProcess* process : running()) {
            const size_t own = FrameWindowsOf(process->Id()).size();
            if (own == 0) return false;
            windows += own;
        }
        return windows == kLaunches;
    }, 120000);
    ASSERT_TRUE(settled);
    const auto left = running();
    ASSERT_EQ(left.size(), 1u) << "processes running as first copies";
    EXPECT_EQ(FrameWindowsOf(left[0]->Id()).size(), kLaunches);
    for (auto& launch : launches) {
        DWORD exitCode = 99;
        if (launch.get() == left[0]) continue;
        EXPECT_TRUE(launch->WaitForExit(&exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    // One window at a time, as a user closes them.
    for (size_t count = kLaunches; count > 0; --count) {
        PostMessageW(FrameWindowsOf(left[0]->Id()).back(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitForWindowCount(left[0]->Id(), count - 1));
    }
    DWORD exitCode = 99;
    EXPECT_TRUE(left[0]->WaitForExit(&exitCode));
}

TEST(AppModuleTest, TitleEndsWhereItsStringEnds) {
    // String 102 of this executable follows the title in the same string block.
    wchar_t follower[32] = {};
    ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 102, follower, 32), 0);
    ASSERT_TRUE(Module().Init(GetModuleHandleW(nullptr)));
    EXPECT_STREQ(ApplicationTitle(), L"Brevitex");
}
