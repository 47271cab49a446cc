// Windows and helpers for the device-layer tests: a window that records the
// messages it receives, and a scoped environment variable.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace devicetest {

struct Record {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A window of a recording class; every message it receives is kept in order.
// `onMessage` may answer a message (return true with the result set).
class RecordingWindow {
public:
    RecordingWindow(DWORD style, int x, int y, int width, int height, HWND parent = nullptr,
                    DWORD exStyle = 0);
    ~RecordingWindow();
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    int Count(UINT message) const;
    // The records of one message, in order.
    std::vector<Record> Of(UINT message) const;
    void Clear() { records_.clear(); }

    std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::vector<Record> records_;
};

// Sets an environment variable for a scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::wstring old_;
    bool hadValue_ = false;
};

// Posts a key press or release as the keyboard would deliver it to `target`.
void PostKey(HWND target, UINT key, bool down);

// The text of a window.
std::wstring TextOf(HWND window);

}  // namespace devicetest
