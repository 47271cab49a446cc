// Helpers of the frame tests: a MainFrame on the test thread with its own
// message loop, the settings key kept clean, the platform form switched, the
// file browser answered, and menu states read as a user sees them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/TextEncoding.h"
#include "filebrowser/FileBrowserDialog.h"
#include "shell/MainFrame.h"
#include "common/MessageLoop.h"
#include "support/TestSupport.h"

namespace frametest {

// Removes the settings key now and again when it goes.
class SettingsKeyGuard {
public:
    SettingsKeyGuard() { Remove(); }
    ~SettingsKeyGuard() { Remove(); }
    static void Remove();
    static bool Exists();
    static bool ReadNumber(const wchar_t* name, DWORD* value);
    static void WriteNumber(const wchar_t* name, DWORD value);
    static void WriteRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes);
};

// Answers every run of the file browser and records what it was given.
struct BrowserCall {
    brevitex::BrowseMode mode;
    std::wstring initialPath;
    std::vector<std::wstring> filter;  // descriptions and pattern lists in order
    brevitex::TextEncoding encoding;
    HWND owner;
};

class BrowserAnswerer {
public:
    BrowserAnswerer(INT_PTR result, std::wstring path = L"",
                    brevitex::TextEncoding encoding = brevitex::TextEncoding::AutoDetect);
    ~BrowserAnswerer();
    const std::vector<BrowserCall>& Calls() const { return calls_; }

private:
    static INT_PTR Hook(brevitex::FileBrowserDialog& dialog, HWND owner, void* context);
    INT_PTR result_;
    std::wstring path_;
    brevitex::TextEncoding encoding_;
    std::vector<BrowserCall> calls_;
};

// A frame window on the test thread. The test drives the idle pass and the
// message filter itself, so every state is read at a known moment.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the frame with a command line (the file to open, or empty).
    HWND CreateFrame(const std::wstring& commandLine = L"");
    void DestroyFrame();
    // Dispatches pending messages through the frame's filter, then runs the idle pass.
    void Idle();
    // Sends WM_CLOSE as the close box would; true when the window is gone afterwards.
    bool Close();

    HWND Edit() const { return frame_ ? frame_->EditWindow() : nullptr; }
    void Type(const std::wstring& text);
    void Command(UINT id, UINT code = 0);
    std::wstring Title() const;
    std::wstring EditText() const;
    bool Modified() const;

    // The state of a command-bar menu item after its popup opened: -1 when the
    // menu has no such item, else MF_GRAYED and MF_CHECKED bits.
    int MenuState(UINT id);
    bool MenuEnabled(UINT id) { return MenuState(id) >= 0 && !(MenuState(id) & MF_GRAYED); }
    bool MenuChecked(UINT id) { return MenuState(id) >= 0 && (MenuState(id) & MF_CHECKED); }

    SettingsKeyGuard settingsKey_;
    brevitex::MessageLoop loop_;
    std::unique_ptr<brevitex::MainFrame> frame_;
    HWND hwnd_ = nullptr;
};

// The frame windows ("ZuzodurIzaVazed") of a process.
std::vector<HWND> FrameWindowsOf(DWORD processId);
using testsupport::WindowText;
// The popup directly holding a command, searched through the submenus; null when none.
HMENU PopupHolding(HMENU menu, UINT id);

}  // namespace frametest
