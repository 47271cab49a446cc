// The frame threads' message loop: the order its filters are asked in, when
// its idle handlers run, and the registry that finds each thread's loop.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/MessageLoop.h"
#include "support/TestSupport.h"

using namespace brevitex;

namespace {

// A filter that records being asked and consumes as told.
class RecordingFilter : public MessageFilter {
public:
    RecordingFilter(std::vector<int>* asked, int name, bool consumes)
        : asked_(asked), name_(name), consumes_(consumes) {}
    bool PreTranslateMessage(MSG*) override {
        asked_->push_back(name_);
        return consumes_;
    }

private:
    std::vector<int>* asked_;
    int name_;
    bool consumes_;
};

TEST(MessageLoopFilters, NewestIsAskedFirstAndAConsumingOneEndsTheRound) {
    MSG message{};
    message.message = WM_KEYDOWN;
    {
        std::vector<int> asked;
        MessageLoop loop;
        RecordingFilter older(&asked, 1, true), newer(&asked, 2, true);
        ASSERT_TRUE(loop.AddFilter(&older));
        ASSERT_TRUE(loop.AddFilter(&newer));
        EXPECT_TRUE(loop.PreTranslate(&message));
        EXPECT_EQ(asked, std::vector<int>({2}));
    }
    {
        std::vector<int> asked;
        MessageLoop loop;
        RecordingFilter older(&asked, 1, true), newer(&asked, 2, false);
        ASSERT_TRUE(loop.AddFilter(&older));
        ASSERT_TRUE(loop.AddFilter(&newer));
        EXPECT_TRUE(loop.PreTranslate(&message));
        EXPECT_EQ(asked, std::vector<int>({2, 1}));
    }
}

// A thread that runs the calls given to it, one at a time, on itself.
class Worker {
public:
    Worker() : thread_([this] { Run(); }) {}
    ~Worker() {
        Call(nullptr);
        thread_.join();
    }
    void Call(std::function<void()> call) {
        std::promise<void> done;
        std::future<void> finished = done.get_future();
        {
            std::lock_guard<std::mutex> hold(lock_);
            call_ = std::move(call);
            done_ = &done;
            hasCall_ = true;
        }
        ready_.notify_one();
        finished.wait();
    }

private:
    void Run() {
        for (;;) {
            std::unique_lock<std::mutex> hold(lock_);
            ready_.wait(hold, [this] { return hasCall_; });
            hasCall_ = false;
            std::function<void()> call = std::move(call_);
            std::promise<void>* done = done_;
            hold.unlock();
            if (call) call();
            done->set_value();
            if (!call) return;
        }
    }

    std::mutex lock_;
    std::condition_variable ready_;
    std::function<void()> call_;
    std::promise<void>* done_ = nullptr;
    bool hasCall_ = false;
    std::thread thread_;
};

TEST(ThreadLoopRegistry, UnregisteringOneOfThreeKeepsTheOthersFindable) {
    for (int leaving = 0; leaving < 3; ++leaving) {
        SCOPED_TRACE("leaving thread " + std::to_string(leaving));
        const int before = ThreadLoopCount();
        MessageLoop loops[3];
        Worker workers[3];
        for (int i = 0; i < 3; ++i) {
            bool registered = false;
            workers[i].Call([&, i] { registered = RegisterThreadLoop(&loops[i]); });
            EXPECT_TRUE(registered);
        }
        EXPECT_EQ(ThreadLoopCount(), before + 3);
        bool unregistered = false;
        workers[leaving].Call([&] { unregistered = UnregisterThreadLoop(); });
        EXPECT_TRUE(unregistered);
        EXPECT_EQ(ThreadLoopCount(), before + 2);
        for (int i = 0; i < 3; ++i) {
            MessageLoop* found = nullptr;
            workers[i].Call([&] { found = ThreadLoop(); });
            EXPECT_EQ(found, i == leaving ? nullptr : &loops[i]) << "thread " << i;
        }
        for (int i = 0; i < 3; ++i) {
            if (i != leaving) workers[i].Call([] { UnregisterThreadLoop(); });
        }
        EXPECT_EQ(ThreadLoopCount(), before);
    }
}

// What the loop thread did, in order: idle passes and the messages its window got.
class EventLog {
public:
    void Add(const char* event) {
        std::lock_guard<std::mutex> hold(lock_);
        if (!events_.empty()) events_ += ' ';
        events_ += event;
    }
    std::string Events() const {
        std::lock_guard<std::mutex> hold(lock_);
        return events_;
    }

private:
    mutable std::mutex lock_;
    std::string events_;
};

constexpr UINT kSentMessage = WM_APP + 1;
constexpr UINT kPostedMessage = WM_APP + 2;

LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* log = reinterpret_cast<EventLog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (log && message == kSentMessage) log->Add("sent");
    if (log && message == kPostedMessage) log->Add("posted");
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class LoggingIdleHandler : public IdleHandler {
public:
    explicit LoggingIdleHandler(EventLog* log) : log_(log) {}
    void OnIdle() override { log_->Add("idle"); }

private:
    EventLog* log_;
};

TEST(MessageLoopIdle, RunsAfterAPostedMessageButNotAfterOneSentFromAnotherThread) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LoggingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BrevitexIdleTestWindow";
    RegisterClassW(&windowClass);

    EventLog log;
    std::atomic<HWND> window{nullptr};
    std::atomic<DWORD> loopThread{0};
    std::thread thread([&] {
        MessageLoop loop;
        LoggingIdleHandler idle(&log);
        loop.AddIdleHandler(&idle);
        HWND hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log));
        loopThread = GetCurrentThreadId();
        window = hwnd;
        loop.RunLoop();
        DestroyWindow(hwnd);
    });
    auto awaitLog = [&](const std::string& expected) {
        testsupport::PumpUntil([&] { return log.Events() == expected; });
        EXPECT_EQ(log.Events(), expected);
    };
    EXPECT_TRUE(testsupport::PumpUntil([&] { return window.load() != nullptr; }));
    awaitLog("idle");

    SendMessageW(window, kSentMessage, 0, 0);
    PostMessageW(window, kPostedMessage, 0, 0);
    awaitLog("idle sent posted idle");

    PostThreadMessageW(loopThread, WM_QUIT, 0, 0);
    thread.join();
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
