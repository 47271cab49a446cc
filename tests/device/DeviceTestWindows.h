// Helpers of the device-layer tests: a window that records its messages, a
// scoped environment variable, posted keys and window text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace devicetest {

// A window that keeps every message it receives; `onMessage` may answer one.
class RecordingWindow {
public:
    RecordingWindow(DWORD style, int x, int y, int width, int height, HWND parent = nullptr);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // wParam and lParam of each message of one kind, in order.
    std::vector<MSG> Of(UINT message) const;
    int Count(UINT message) const { return static_cast<int>(Of(message).size()); }
    void Clear() { records_.clear(); }

    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::vector<MSG> records_;
};

void PostKey(HWND target, UINT key, bool down);
using testsupport::WindowText;

}  // namespace devicetest
