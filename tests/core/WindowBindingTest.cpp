// Binding of windows to their objects: lookups from other threads, many
// threads binding at once, the end of a binding with the window or with the
// object, and a window handed from one object to another.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "common/Window.h"
#include "common/WindowTable.h"

using namespace brevitex;

namespace {

constexpr UINT kPing = WM_APP + 7;
const wchar_t kClassName[] = L"BrevitexBindingTestWindow";

// Answers kPing with its own address and counts its last messages.
class Recorder : public WindowBase {
public:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != kPing) return false;
        ++pings;
        result = reinterpret_cast<LRESULT>(this);
        return true;
    }
    HWND Create() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = StartWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kClassName;
            return RegisterClassW(&wc);
        }();
        if (!atom) return nullptr;
        return CreateBound(0, kClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    }
    using WindowBase::Detach;
    int pings = 0;
    int finals = 0;

protected:
    void OnFinalMessage() override { ++finals; }
};

LRESULT CALLBACK Answer42(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) return 42;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowBindingTest, ABoundWindowIsFoundFromAnyThreadUntilItsLastMessage) {
    Recorder recorder;
    HWND hwnd = recorder.Create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(WindowBase::FromHandle(hwnd), &recorder);
    WindowBase* seenElsewhere = nullptr;
    std::thread([&] { seenElsewhere = WindowBase::FromHandle(hwnd); }).join();
    EXPECT_EQ(seenElsewhere, &recorder);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), reinterpret_cast<LRESULT>(&recorder));

    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(recorder.finals, 1);
    EXPECT_EQ(recorder.Handle(), nullptr);
    EXPECT_EQ(WindowBase::FromHandle(hwnd), nullptr);
    EXPECT_EQ(WindowBase::FromHandle(nullptr), nullptr);
}

TEST(WindowBindingTest, AnObjectDestroyedFirstTakesItsWindowAndItsBindingAlong) {
    HWND hwnd = nullptr;
    {
        Recorder recorder;
        hwnd = recorder.Create();
        ASSERT_NE(hwnd, nullptr);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(WindowBase::FromHandle(hwnd), nullptr);
}

TEST(WindowBindingTest, AWindowHandedOnIsServedByItsNewObjectOnly) {
    auto first = std::make_unique<Recorder>();
    HWND hwnd = first->Create();
    ASSERT_NE(hwnd, nullptr);
    first->Detach(Answer42);
    EXPECT_EQ(first->Handle(), nullptr);
    EXPECT_EQ(WindowBase::FromHandle(hwnd), nullptr);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), 42);

    Recorder second;
    ASSERT_TRUE(second.Subclass(hwnd));
    // The first object's end must not undo the second's binding nor touch the window.
    first.reset();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(WindowBase::FromHandle(hwnd), &second);
    EXPECT_EQ(SendMessageW(hwnd, kPing, 0, 0), reinterpret_cast<LRESULT>(&second));
    EXPECT_EQ(second.pings, 1);

    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(second.finals, 1);
    EXPECT_EQ(WindowBase::FromHandle(hwnd), nullptr);
}

// Threads that each make, use and destroy their own windows while the others
// do the same and the main thread looks theirs up: every message must reach
// the window's own object, and no binding may outlive its window.
TEST(WindowBindingTest, WindowsOfManyThreadsKeepTheirOwnObjects) {
    constexpr int kThreads = 12;
    constexpr int kRounds = 40;
    std::atomic<int> mismatches{0};
    std::atomic<int> failures{0};
    std::atomic<HWND> latest{nullptr};
    std::atomic<bool> done{false};
    std::vector<std::vector<HWND>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                Recorder recorder;
                HWND hwnd = recorder.Create();
                if (!hwnd) {
                    ++failures;
                    continue;
                }
                made[t].push_back(hwnd);
                latest = hwnd;
                if (SendMessageW(hwnd, kPing, 0, 0) != reinterpret_cast<LRESULT>(&recorder)) ++mismatches;
                if (round % 2) {
                    DestroyWindow(hwnd);
                    if (recorder.finals != 1) ++mismatches;
                }
                // Otherwise the object's end destroys the window.
            }
        });
    }
    // Lookups from a thread that owns none of the windows, all the while.
    std::thread reader([&] {
        while (!done) WindowBase::FromHandle(latest.load());
    });
    for (auto& thread : threads) thread.join();
    done = true;
    reader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(mismatches, 0);
    int bound = 0;
    for (const auto& handles : made) {
        for (HWND hwnd : handles) {
            if (WindowBase::FromHandle(hwnd)) ++bound;
        }
    }
    EXPECT_EQ(bound, 0);
}

TEST(WindowTableTest, RemovesOnlyWhatItWasAskedToRemove) {
    WindowTable table;
    auto window = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    int a = 0, b = 0;
    table.Set(window, &a);
    table.Set(window, &b);
    EXPECT_EQ(table.Size(), 1u);
    EXPECT_FALSE(table.Remove(window, &a));
    EXPECT_EQ(table.Find(window), &b);
    EXPECT_TRUE(table.Remove(window, &b));
    EXPECT_EQ(table.Find(window), nullptr);
    EXPECT_EQ(table.Size(), 0u);
}

}  // namespace
