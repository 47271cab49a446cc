// Helpers of the file-list and folder-tree tests: a host window that reflects
// control notifications as a dialog does, a list and a tree in it, files of
// a given size and time, and commands run in a second process.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/Window.h"
#include "filebrowser/FileListView.h"
#include "filebrowser/FolderTreeView.h"
#include "support/TestSupport.h"

namespace filebrowsertest {

// A top-level window that sends every WM_NOTIFY back to its control as
// kReflectBase + WM_NOTIFY, the way DialogBase reflects what it leaves.
class HostWindow : public brevitex::WindowBase {
public:
    HostWindow(int width = 460, int height = 420);
    ~HostWindow() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// A list view (details view, label editing, shared image lists) and a tree
// view in a host, attached to their objects; the list is initialised, the
// tree not yet (tests may set its root first).
struct BrowserControls {
    explicit BrowserControls(bool withTree = true);
    ~BrowserControls();
    // Links both ways and initialises the tree.
    void LinkAndFillTree();
    // Shows a folder in the list (as the tree's selection does).
    void ShowFolder(const std::wstring& folder, HTREEITEM item = nullptr);
    // Column 0 texts in row order; other columns' texts of one row.
    std::wstring Names() const;
    std::wstring CellText(int row, int column) const;

    HostWindow host;
    HWND listWindow = nullptr;
    HWND treeWindow = nullptr;
    brevitex::FileListView list;
    brevitex::FolderTreeView tree;
};

// A file of `size` bytes; with a nonzero year also its last-write time (local time).
bool MakeFile(const std::wstring& path, DWORD size = 0, int year = 0, int month = 1, int day = 1, int hour = 0,
              int minute = 0);
bool MakeFolder(const std::wstring& path);

// Runs a command line in another process and waits for it (up to 20 s); false on failure.
bool RunProcess(const std::wstring& commandLine);

}  // namespace filebrowsertest
