// Helpers of the view tests: the process set-up (module, rich edit library),
// a plain parent window that records what the view tells it, a recording
// command-state sink and access to a control's text.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "common/CommandState.h"
#include "common/WideString.h"

namespace viewtest {

// A top-level window that counts the messages a child sends it. It stays
// hidden: a shown top-level window takes seconds to go away under Wine.
class ParentWindow {
public:
    ParentWindow(int width = 400, int height = 400);
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    int Count(UINT message) const;
    void Clear() { counts_.clear(); popups_.clear(); }
    // The menus that arrived with WM_INITMENUPOPUP, in order.
    const std::vector<HMENU>& Popups() const { return popups_; }
    // Command ids of a popup's items as they were when it arrived.
    std::vector<std::vector<UINT>> popupItems;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    std::map<UINT, int> counts_;
    std::vector<HMENU> popups_;
};

class RecordingSink : public brevitex::CommandStateSink {
public:
    void Enable(UINT id, bool on) override { enabled[id] = on; }
    void Check(UINT id, bool on) override { checked[id] = on; }
    std::map<UINT, bool> enabled;
    std::map<UINT, bool> checked;
};

// The control's text as it streams out (paragraphs as CR LF).
std::wstring StreamedText(HWND edit);
// Replaces the control's text through the clipboard-free path of EM_SETTEXTEX.
void SetText(HWND edit, const wchar_t* text);
// Command ids of a menu's items; separators give 0.
std::vector<UINT> MenuIds(HMENU menu);
// Whether a posted message of a kind is waiting for a window; removes it.
bool TakePosted(HWND window, UINT message);

std::string Bytes(const std::wstring& path);

}  // namespace viewtest
