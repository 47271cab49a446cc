// Helpers of the dialog tests.
#include "DialogTestHelpers.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include "device/DeviceShell.h"
#include "shell/AppModule.h"

namespace dialogtests {

namespace {

const wchar_t kHostClass[] = L"BrevitexDialogTestHost";

void RegisterHostClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    registered = true;
}

}  // namespace

void EnsureRichEdit() {
    static HMODULE library = LoadLibraryW(L"RICHED20.DLL");
    (void)library;
}

EditHost::EditHost(const std::wstring& text) {
    EnsureRichEdit();
    RegisterHostClass();
    frame_ = CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480, 600, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                        ES_AUTOHSCROLL | ES_NOHIDESEL;
    edit_ = CreateWindowExW(0, L"RICHEDIT50W", L"", style, 0, 0, 460, 500, frame_, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SendMessageW(edit_, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    SetText(text);
}

EditHost::~EditHost() {
    if (frame_) DestroyWindow(frame_);
}

void EditHost::SetText(const std::wstring& text) {
    SetWindowTextW(edit_, text.c_str());
    SendMessageW(edit_, EM_EMPTYUNDOBUFFER, 0, 0);
    Select(0, 0);
}

std::wstring EditHost::Text() const {
    GETTEXTLENGTHEX lengthInfo{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT length = SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthInfo), 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT copied = SendMessageW(edit_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

void EditHost::Select(int start, int end) const { SendMessageW(edit_, EM_SETSEL, start, end); }

int EditHost::SelStart() const {
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int EditHost::SelEnd() const {
    DWORD start = 0, end = 0;
    SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end);
}

int EditHost::UndoSteps() const {
    int steps = 0;
    while (steps < 1000 && SendMessageW(edit_, EM_CANUNDO, 0, 0) && SendMessageW(edit_, EM_UNDO, 0, 0)) ++steps;
    return steps;
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void TypeInCombo(HWND dialog, int comboId, const std::wstring& text) {
    HWND combo = GetDlgItem(dialog, comboId);
    SetWindowTextW(combo, text.c_str());
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(combo));
}

RECT RectIn(HWND parent, HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace dialogtests

namespace {

// Module, rich edit and device services for the test thread, once per run.
class DialogTestEnvironment : public testing::Environment {
public:
    void SetUp() override {
        brevitex::Module().Init(GetModuleHandleW(nullptr));
        dialogtests::EnsureRichEdit();
        brevitex::DeviceAttachThread();
    }
    void TearDown() override { brevitex::DeviceDetachThread(); }
};

testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new DialogTestEnvironment);

}  // namespace
