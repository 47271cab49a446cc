// Helpers of the file-list and folder-tree tests.
#include "FileBrowserTestSupport.h"

#include <commctrl.h>

#include <vector>

namespace filebrowsertest {

using namespace brevitex;

namespace {

const wchar_t kHostClass[] = L"BrevitexFileBrowserTestHost";

void RegisterHostClass() {
    static const ATOM atom = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSW wc{};
        wc.lpfnWndProc = WindowBase::StartWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = kHostClass;
        return RegisterClassW(&wc);
    }();
    (void)atom;
}

}  // namespace

HostWindow::HostWindow(int width, int height) {
    RegisterHostClass();
    // Shown without activation: tests of other executables running at the
    // same time on the display keep their focus.
    CreateBound(WS_EX_NOACTIVATE, kHostClass, L"文件", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                GetModuleHandleW(nullptr), nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

HostWindow::~HostWindow() = default;

bool HostWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY || !lParam) return false;
    HWND control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    if (!control || control == hwnd_ || !IsWindow(control)) return false;
    result = SendMessageW(control, kReflectBase + WM_NOTIFY, wParam, lParam);
    return true;
}

BrowserControls::BrowserControls(bool withTree) {
    RECT client;
    GetClientRect(host.Handle(), &client);
    listWindow = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                     LVS_SHAREIMAGELISTS | LVS_EDITLABELS | LVS_ALIGNLEFT,
                                 0, 0, client.right, client.bottom / 2, host.Handle(),
                                 reinterpret_cast<HMENU>(1002), GetModuleHandleW(nullptr), nullptr);
    list.Attach(listWindow);
    list.Initialize();
    if (withTree) {
        treeWindow = CreateWindowExW(0, WC_TREEVIEWW, L"",
                                     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | TVS_HASBUTTONS |
                                         TVS_HASLINES | TVS_LINESATROOT | TVS_SINGLEEXPAND | TVS_SHOWSELALWAYS,
                                     0, client.bottom / 2, client.right, client.bottom / 2, host.Handle(),
                                     reinterpret_cast<HMENU>(1003), GetModuleHandleW(nullptr), nullptr);
        tree.Attach(treeWindow);
    }
}

BrowserControls::~BrowserControls() {
    if (listWindow && IsWindow(listWindow)) DestroyWindow(listWindow);
    if (treeWindow && IsWindow(treeWindow)) DestroyWindow(treeWindow);
}

void BrowserControls::LinkAndFillTree() {
    list.LinkTree(treeWindow);
    tree.LinkList(listWindow);
    tree.Initialize();
}

void BrowserControls::ShowFolder(const std::wstring& folder, HTREEITEM item) {
    SendMessageW(listWindow, FLM_SETFOLDER, reinterpret_cast<WPARAM>(item), reinterpret_cast<LPARAM>(folder.c_str()));
}

std::wstring BrowserControls::Names() const {
    std::wstring names;
    int count = ListView_GetItemCount(listWindow);
    for (int i = 0; i < count; ++i) {
        if (i) names += L"|";
        names += list.ItemText(i).c_str();
    }
    return names;
}

std::wstring BrowserControls::CellText(int row, int column) const {
    wchar_t text[256] = {};
    ListView_GetItemText(listWindow, row, column, text, 256);
    return text;
}

bool MakeFile(const std::wstring& path, DWORD size, int year, int month, int day, int hour, int minute) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> bytes(size, 'x');
    DWORD written = 0;
    bool ok = size == 0 || (WriteFile(file, bytes.data(), size, &written, nullptr) && written == size);
    if (ok && year) {
        SYSTEMTIME local{};
        local.wYear = static_cast<WORD>(year);
        local.wMonth = static_cast<WORD>(month);
        local.wDay = static_cast<WORD>(day);
        local.wHour = static_cast<WORD>(hour);
        local.wMinute = static_cast<WORD>(minute);
        FILETIME localTime, utc;
        ok = SystemTimeToFileTime(&local, &localTime) && LocalFileTimeToFileTime(&localTime, &utc) &&
             SetFileTime(file, nullptr, nullptr, &utc);
    }
    CloseHandle(file);
    return ok;
}

bool MakeFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

bool RunProcess(const std::wstring& commandLine) {
    testsupport::ChildProcess process(commandLine, CREATE_NO_WINDOW);
    DWORD code = 1;
    return process.WaitForExit(&code, 20000) && code == 0;
}

}  // namespace filebrowsertest
