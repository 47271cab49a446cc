// The tour of the screens: the built program driven from another process
// through every menu, dialog, prompt and browser view, in each form, with the
// screen checked after every step:
//   1. every visible window of the process lies on the device screen;
//   2. no pure-black (unpainted) square inside the program's windows, and
//      nothing changes when all of them are repainted (no stale pixels);
//   3. on Pocket PC the toolbar shows its buttons and the position text;
//   4. the keyboard focus is on a visible window.
// Each step's screenshot goes to <build>/tour/steps/<form>-<dpi>/, with its
// label and verdict in labels.txt; tests/tour/run-tour.sh makes the contact
// sheets from them. Run through run-tour.sh, which gives the tour its own
// display and Wine prefixes (one per dpi).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "device/DeviceShell.h"
#include "resources/resource.h"
#include "support/TestSupport.h"
#include "tour/TourChecks.h"

using testsupport::PumpUntil;

namespace {

struct Form {
    const char* name;
    const wchar_t* platform;
    const wchar_t* screen;  // null: the default size
};

const Form kForms[] = {
    {"pocketpc-portrait", L"PocketPC", L"480x640"},
    {"pocketpc-landscape", L"PocketPC", L"640x480"},
    {"smartphone", L"SmartPhone", nullptr},
};

constexpr wchar_t kFrameClass[] = L"ZuzodurIzaVazed";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr UINT kPressSoftKey = WM_USER + 410;  // the soft-key bar's own "press key wParam"
constexpr DWORD kStepTimeoutMs = 8000;

// Checks a step may leave out: the repaint comparison while the screen is
// meant to change on its own (a load in progress).
// A busy program is not waited for.
enum Skip : unsigned { kNone = 0, kNoRepaintCheck = 1, kBusy = 2 };

std::wstring Wide(const std::string& text) {
    std::wstring out(text.size(), L'\0');
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                static_cast<int>(out.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

// The build folder as a Unix path (BREVITEX_BUILD_DIR) and as a device path.
std::string BuildFolderUnix() {
    char text[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA("BREVITEX_BUILD_DIR", text, MAX_PATH);
    return length && length < MAX_PATH ? std::string(text, length) : std::string();
}

std::wstring DevicePathOfUnix(const std::string& unixPath) {
    std::wstring path = Wide(unixPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

void PostKey(HWND window, UINT key) {
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000);
}

class Tour : public ::testing::TestWithParam<Form> {
protected:
    void SetUp() override {
        const Form& form = GetParam();
        SetEnvironmentVariableW(L"BREVITEX_PLATFORM", form.platform);
        SetEnvironmentVariableW(L"BREVITEX_SCREEN", form.screen);
        smartphone_ = wcscmp(form.platform, L"SmartPhone") == 0;
        screen_ = brevitex::DeviceScreenRect();

        HDC dc = GetDC(nullptr);
        dpi_ = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(nullptr, dc);
        scale_ = dpi_ >= 96 ? dpi_ / 96 : 1;

        std::string build = BuildFolderUnix();
        ASSERT_FALSE(build.empty()) << "BREVITEX_BUILD_DIR names the build folder";
        sheet_ = std::string(form.name) + "-" + std::to_string(dpi_);
        outUnix_ = build + "/tour/steps/" + sheet_;
        out_ = DevicePathOfUnix(outUnix_);
        ASSERT_TRUE(tour::RunUnixCommand("rm -rf '" + outUnix_ + "' && mkdir -p '" + outUnix_ + "'"));
        char shot[MAX_PATH] = {};
        DWORD shotLength = GetEnvironmentVariableA("BREVITEX_TOUR_SHOT", shot, MAX_PATH);
        ASSERT_TRUE(shotLength && shotLength < MAX_PATH) << "BREVITEX_TOUR_SHOT names shot.sh (run-tour.sh sets it)";
        shot_ = shot;
        std::string area = std::to_string(screen_.left) + " " + std::to_string(screen_.top) + " " +
                           std::to_string(screen_.right) + " " + std::to_string(screen_.bottom) + "\n";
        testsupport::WriteBytes(out_ + L"\\screen.txt", area);

        // The documents the tour works on, and the settings of a first start.
        docs_ = dir_.Path();
        ASSERT_TRUE(testsupport::WriteBytes(dir_.File(L"notes.txt"),
                                            "\xEF\xBB\xBF" "第一行 first line\r\nsecond line\r\n第三行\r\n"));
        ASSERT_TRUE(testsupport::WriteBytes(dir_.File(L"other.txt"), "other\r\n"));
        ASSERT_TRUE(CreateDirectoryW(dir_.File(L"sub").c_str(), nullptr));
        ASSERT_TRUE(testsupport::WriteBytes(dir_.File(L"sub\\inner.txt"), "inner\r\n"));
        SetEnvironmentVariableW(L"BREVITEX_DOCUMENTS", docs_.c_str());
        SetEnvironmentVariableW(L"BREVITEX_OUTBOX", docs_.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Korvanth\\Brevitex");
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Korvanth\\Brevitex", 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        std::wstring last = docs_ + L"\\";
        RegSetValueExW(key, L"LastFilePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(last.c_str()),
                       static_cast<DWORD>((last.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    void TearDown() override {
        if (program_ && WaitForSingleObject(program_->Handle(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(program_->Handle(), 3);
            WaitForSingleObject(program_->Handle(), 5000);
        }
        program_.reset();
    }

    // ---- Driving ------------------------------------------------------------

    void Start(const std::wstring& file) {
        program_ = std::make_unique<testsupport::ChildProcess>(testsupport::ProgramCommandLine(L"\"" + file + L"\""));
        ASSERT_TRUE(program_->Started());
        ASSERT_TRUE(WaitFor([&] { return (frame_ = FrameTitled(L"notes.txt - Brevitex")) != nullptr; }))
            << "the program's window comes up with the file";
    }

    HANDLE Process() const { return program_->Handle(); }
    DWORD Pid() const { return program_->Id(); }

    static bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kStepTimeoutMs) {
        return PumpUntil(done, timeoutMs);
    }

    HWND FrameTitled(const std::wstring& title) const {
        for (const auto& shown : tour::ShownWindowsOf(Pid())) {
            if (shown.className == kFrameClass && testsupport::WindowText(shown.hwnd) == title) return shown.hwnd;
        }
        return nullptr;
    }

    HWND Edit() const { return FindWindowExW(frame_, nullptr, L"VidavizEdizAvaro", nullptr); }
    HWND ToolBar() const { return FindWindowExW(frame_, nullptr, L"BToolBar", nullptr); }

    // The topmost visible window of a class of the process (optionally owned by owner).
    HWND Topmost(const wchar_t* className, HWND owner = nullptr) const {
        for (const auto& shown : tour::ShownWindowsOf(Pid())) {
            if (shown.className != className) continue;
            if (owner && GetWindow(shown.hwnd, GW_OWNER) != owner) continue;
            return shown.hwnd;
        }
        return nullptr;
    }

    size_t MenuCount() const {
        size_t count = 0;
        for (const auto& shown : tour::ShownWindowsOf(Pid())) count += shown.className == kMenuClass;
        return count;
    }

    // A dialog or message box of the process owned by owner, once it is up.
    HWND WaitForDialog(HWND owner) const {
        HWND found = nullptr;
        WaitFor([&] {
            found = Topmost(kDialogClass, owner);
            return found != nullptr;
        });
        return found;
    }

    // Runs a command that opens a dialog owned by owner; null (with a failure) when none came.
    HWND OpenDialog(UINT id, const char* what, HWND owner = nullptr) {
        if (!owner) owner = frame_;
        PostMessageW(owner, WM_COMMAND, id, 0);
        HWND dialog = WaitForDialog(owner);
        EXPECT_NE(dialog, nullptr) << what << " did not open";
        return dialog;
    }

    // Ends a dialog with a command and waits until it is gone.
    void EndDialog(HWND dialog, UINT id) {
        if (!dialog) return;
        PostMessageW(dialog, WM_COMMAND, id, 0);
        if (!WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) {
            ADD_FAILURE() << "a dialog did not close on command " << id;
        }
    }

    // Answers a message box with the first of the buttons it has.
    void Answer(HWND box, std::initializer_list<int> buttons) {
        if (!box) return;
        for (int id : buttons) {
            if (HWND button = GetDlgItem(box, id)) {
                SendMessageW(button, BM_CLICK, 0, 0);
                break;
            }
        }
        WaitFor([&] { return !IsWindow(box); });
    }

    void PressSoftKey(HWND owner, int index) {
        HWND bar = Topmost(L"BrevitexMenuBar", owner);
        ASSERT_NE(bar, nullptr) << "the soft-key bar of the window is shown";
        size_t before = MenuCount();
        PostMessageW(bar, kPressSoftKey, index, 0);
        ASSERT_TRUE(WaitFor([&] { return MenuCount() > before; })) << "soft key " << index << " opened no popup";
    }

    // A key to the open menus; waits until as many menus as expected are up.
    void MenuKey(UINT key, size_t expected) {
        HWND menu = Topmost(kMenuClass);
        ASSERT_NE(menu, nullptr);
        PostKey(menu, key);
        EXPECT_TRUE(WaitFor([&] { return MenuCount() == expected; }, 3000))
            << "after a menu key " << MenuCount() << " menus are shown, " << expected << " expected";
    }

    void CloseMenus() {
        for (int i = 0; i < 6 && MenuCount() > 0; ++i) MenuKey(VK_ESCAPE, MenuCount() - 1);
    }

    // A context menu asked for at the centre of a window.
    void ContextMenuOn(HWND dialog, HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        PostMessageW(dialog, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
        ASSERT_TRUE(WaitFor([&] { return MenuCount() > 0; })) << "no context menu";
    }

    // Selects the row of a name in a list view of the program.
    bool SelectRow(HWND list, const std::wstring& name) {
        tour::RemoteBuffer remote(Process(), 4096);
        if (!remote.Valid()) return false;
        const size_t textAt = sizeof(LVFINDINFOW) + sizeof(LVITEMW);
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = reinterpret_cast<LPCWSTR>(remote.Address() + textAt);
        std::vector<char> block(textAt + (name.size() + 1) * sizeof(wchar_t), 0);
        memcpy(block.data(), &find, sizeof(find));
        memcpy(block.data() + textAt, name.c_str(), name.size() * sizeof(wchar_t));
        if (!remote.Write(block.data(), block.size())) return false;
        int row = -1;
        WaitFor([&] {
            row = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), remote.Address()));
            return row != -1;
        });
        if (row == -1) return false;
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        tour::RemoteBuffer itemBuffer(Process(), sizeof(item));
        if (!itemBuffer.Write(&item, sizeof(item))) return false;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), itemBuffer.Address());
        return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 1;
    }

    bool ClearSelection(HWND list) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED;
        tour::RemoteBuffer remote(Process(), sizeof(item));
        if (!remote.Write(&item, sizeof(item))) return false;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), remote.Address());
        return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0;
    }

    // Taps the second visible row of a tree view (the first below the root).
    bool TapTreeRow(HWND tree) {
        auto first = static_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
        auto next = static_cast<LPARAM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, first));
        if (!next) next = first;
        if (!next) return false;
        // TVM_GETITEMRECT takes the item in the record's first field.
        RECT rect{};
        memcpy(&rect, &next, sizeof(next));
        tour::RemoteBuffer remote(Process(), sizeof(rect));
        if (!remote.Write(&rect, sizeof(rect)) || !SendMessageW(tree, TVM_GETITEMRECT, TRUE, remote.Address()) ||
            !remote.Read(&rect, sizeof(rect))) {
            return false;
        }
        LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostMessageW(tree, WM_LBUTTONUP, 0, point);
        return true;
    }

    // Waits until the program's threads have handled what was posted and painted.
    void Settle() const {
        for (const auto& shown : tour::ShownWindowsOf(Pid())) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(shown.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
        }
        Sleep(300);
    }

    // ---- Checks -------------------------------------------------------------

    // Takes the step's screenshot and makes the four checks; every fault is a
    // test failure naming the step, and the verdict goes with the picture.
    void Step(const std::string& label, unsigned skip = kNone) {
        if (!program_) return;
        if (skip & kBusy) {
            Sleep(100);
        } else {
            Settle();
        }
        ++steps_;
        char number[8];
        snprintf(number, sizeof(number), "%02d", steps_);
        const std::string png = outUnix_ + "/" + number + ".png";
        const std::string ppm = outUnix_ + "/" + number + ".ppm";
        std::vector<std::string> faults;
        auto windows = tour::ShownWindowsOf(Pid());

        CheckFocus(skip, &faults);
        tour::Image image;
        if (!tour::RunUnixCommand("'" + shot_ + "' '" + ppm + "' '" + png + "'") ||
            !image.Load(DevicePathOfUnix(ppm))) {
            faults.push_back("no screenshot could be taken");
        } else {
            CheckOnScreen(windows, &faults);
            CheckPainted(windows, image, &faults);
            CheckToolBar(windows, image, &faults);
            if (!(skip & kNoRepaintCheck)) CheckRepaintChangesNothing(windows, image, number, &faults);
        }
        DeleteFileW(DevicePathOfUnix(ppm).c_str());

        std::string verdict = "OK";
        for (const auto& fault : faults) {
            ADD_FAILURE() << "[" << sheet_ << " step " << number << " \"" << label << "\"] " << fault;
            verdict = faults.size() == 1 ? "FAIL: " + fault : "FAIL (" + std::to_string(faults.size()) + "): " + faults[0];
        }
        labels_ += std::string(number) + ".png\t" + label + "\t" + verdict + "\n";
        testsupport::WriteBytes(out_ + L"\\labels.txt", labels_);
    }

    void CheckOnScreen(const std::vector<tour::ShownWindow>& windows, std::vector<std::string>* faults) const {
        for (const auto& shown : windows) {
            RECT inside{};
            IntersectRect(&inside, &shown.rect, &screen_);
            if (EqualRect(&inside, &shown.rect)) continue;
            faults->push_back("window " + Describe(shown) + " at " + tour::RectText(shown.rect) +
                              " lies outside the device screen " + tour::RectText(screen_));
        }
    }

    // Wine leaves what nobody painted pure black.
    void CheckPainted(const std::vector<tour::ShownWindow>& windows, const tour::Image& image,
                      std::vector<std::string>* faults) const {
        const int limit = 6 * scale_;
        for (const auto& shown : windows) {
            RECT square = tour::LargestBlackSquare(image, shown.rect);
            if (square.right - square.left < limit) continue;
            faults->push_back("unpainted (pure black) area of at least " + std::to_string(square.right - square.left) +
                              " px square at " + tour::RectText(square) + " in " + Describe(shown));
        }
    }

    // Whatever a full repaint of every window changes was stale on the screen.
    void CheckRepaintChangesNothing(const std::vector<tour::ShownWindow>& windows, const tour::Image& before,
                                    const std::string& number, std::vector<std::string>* faults) const {
        for (const auto& shown : windows) {
            RedrawWindow(shown.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        Settle();
        const std::string ppm = outUnix_ + "/repainted.ppm";
        tour::Image after;
        if (!tour::RunUnixCommand("'" + shot_ + "' '" + ppm + "'") || !after.Load(DevicePathOfUnix(ppm))) {
            faults->push_back("no screenshot after the repaint could be taken");
            return;
        }
        // A blinking caret is the one thing allowed to differ.
        RECT caret{};
        GUITHREADINFO info{sizeof(info)};
        if (GetGUIThreadInfo(GetWindowThreadProcessId(frame_, nullptr), &info) && info.hwndCaret) {
            caret = info.rcCaret;
            MapWindowPoints(info.hwndCaret, nullptr, reinterpret_cast<POINT*>(&caret), 2);
            InflateRect(&caret, 2 * scale_, 2 * scale_);
        }
        bool stale = false;
        for (const auto& shown : windows) {
            RECT changed = tour::DifferingArea(before, after, shown.rect, caret);
            if (IsRectEmpty(&changed)) continue;
            faults->push_back("stale pixels: " + tour::RectText(changed) + " of " + Describe(shown) +
                              " changed when the window was repainted");
            stale = true;
        }
        // The repainted picture stays next to the step's for a person to compare.
        if (stale) tour::RunUnixCommand("convert '" + ppm + "' '" + ppm.substr(0, ppm.size() - 4) + "-" + number + ".png'");
        DeleteFileW(DevicePathOfUnix(ppm).c_str());
    }

    void CheckToolBar(const std::vector<tour::ShownWindow>& windows, const tour::Image& image,
                      std::vector<std::string>* faults) const {
        if (smartphone_) return;
        HWND toolbar = ToolBar();
        if (!toolbar || !IsWindowVisible(toolbar)) {
            faults->push_back("the toolbar is not shown");
            return;
        }
        RECT bar{};
        GetWindowRect(toolbar, &bar);
        // Only a toolbar in sight can be looked at.
        for (const auto& shown : windows) {
            RECT overlap{};
            if (shown.hwnd != frame_ && IntersectRect(&overlap, &shown.rect, &bar)) return;
        }
        std::wstring text = testsupport::WindowText(toolbar);
        unsigned line = 0;
        unsigned column = 0;
        if (swscanf(text.c_str(), L"[%u, %u]", &line, &column) != 2 || line == 0 || column == 0) {
            faults->push_back("the toolbar's position text is \"" + tour::Utf8(text) + "\"");
        }
        const UINT buttons[] = {ID_FILE_SAVE, ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_CUT,
                                ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_FIND};
        tour::RemoteBuffer remote(Process(), sizeof(RECT));
        LONG lastRight = 0;
        int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
        for (UINT id : buttons) {
            int index = static_cast<int>(SendMessageW(toolbar, TB_COMMANDTOINDEX, id, 0));
            if (index < 0) {
                faults->push_back("the toolbar has no button " + std::to_string(id));
                continue;
            }
            if (SendMessageW(toolbar, TB_GETSTATE, id, 0) & TBSTATE_HIDDEN) continue;
            RECT item{};
            if (!SendMessageW(toolbar, TB_GETITEMRECT, index, remote.Address()) || !remote.Read(&item, sizeof(item))) {
                faults->push_back("the toolbar button " + std::to_string(id) + " has no rectangle");
                continue;
            }
            MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&item), 2);
            if (tour::PixelsOffBackground(image, item) < 20 * scale_ * scale_) {
                faults->push_back("the toolbar button " + std::to_string(id) + " at " + tour::RectText(item) +
                                  " shows no image");
            }
        }
        RECT last{};
        if (count > 0 && SendMessageW(toolbar, TB_GETITEMRECT, count - 1, remote.Address()) &&
            remote.Read(&last, sizeof(last))) {
            lastRight = last.right;
        }
        RECT free{lastRight, 0, 0, 0};
        GetClientRect(toolbar, &free);
        free.left = lastRight;
        MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&free), 2);
        if (tour::DarkPixels(image, free) < 15 * scale_ * scale_) {
            faults->push_back("the toolbar's position text is not drawn in " + tour::RectText(free));
        }
    }

    // A busy program may have switched a window's drawing off while it fills
    // it (WM_SETREDRAW clears the window's visible bit, the window stays on
    // screen): such a focus window must be visible again at the next settled
    // step, or it was hidden after all.
    void CheckFocus(unsigned skip, std::vector<std::string>* faults) {
        if (frozenFocus_ && !(skip & kBusy)) {
            if (IsWindow(frozenFocus_) && !IsWindowVisible(frozenFocus_)) {
                faults->push_back("the keyboard focus of step " + frozenStep_ + " was on a hidden window (" +
                                  FocusName(frozenFocus_) + "), still hidden now");
            }
            frozenFocus_ = nullptr;
        }
        GUITHREADINFO info{sizeof(info)};
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(frame_, nullptr), &info) || !info.hwndFocus) {
            faults->push_back("no window of the frame's thread has the keyboard focus");
            return;
        }
        if (IsWindowVisible(info.hwndFocus)) return;
        HWND parent = GetAncestor(info.hwndFocus, GA_PARENT);
        if ((skip & kBusy) && parent && IsWindowVisible(parent)) {
            frozenFocus_ = info.hwndFocus;
            frozenStep_ = std::to_string(steps_);
            return;
        }
        faults->push_back("the keyboard focus is on a hidden window (" + FocusName(info.hwndFocus) + ")");
    }

    static std::string FocusName(HWND window) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        return tour::Utf8(name) + ", id " + std::to_string(GetDlgCtrlID(window));
    }

    static std::string Describe(const tour::ShownWindow& shown) {
        return tour::Utf8(shown.className) + " \"" + tour::Utf8(testsupport::WindowText(shown.hwnd)) + "\"";
    }

    // ---- The tour's parts ---------------------------------------------------

    void TourMenus() {
        PressSoftKey(frame_, 0);
        Step("soft key Edit");
        CloseMenus();
        PressSoftKey(frame_, 1);
        Step("soft key Menu");
        const char* submenus[] = {"File", "Insert", "Tools", "View", "Info"};
        for (const char* name : submenus) {
            MenuKey(VK_DOWN, 1);
            MenuKey(VK_RIGHT, 2);
            Step(std::string("Menu > ") + name);
            MenuKey(VK_ESCAPE, 1);
        }
        CloseMenus();
    }

    // A dialog of the frame opened by a command, looked at, then cancelled.
    void TourDialog(UINT id, const char* name) {
        HWND dialog = OpenDialog(id, name);
        if (!dialog) return;
        Step(name);
        EndDialog(dialog, IDCANCEL);
        Step(std::string("after ") + name);
    }

    void TourBrowserViews(HWND browser) {
        const std::pair<UINT, const char*> views[] = {{ID_FB_VIEW_ICON, "browser: icons"},
                                                      {ID_FB_VIEW_LIST, "browser: list"},
                                                      {ID_FB_VIEW_SMALLICON, "browser: small icons"},
                                                      {ID_FB_VIEW_DETAILS, "browser: details"}};
        for (const auto& [command, label] : views) {
            PostMessageW(browser, WM_COMMAND, command, 0);
            Step(label);
        }
    }

    void TourBrowserMenus(HWND browser) {
        HWND list = GetDlgItem(browser, IDC_FB_LIST);
        PressSoftKey(browser, 0);
        Step("browser: soft key File");
        CloseMenus();
        PressSoftKey(browser, 1);
        MenuKey(VK_UP, 1);
        MenuKey(VK_RIGHT, 2);
        Step("browser: View > Go to");
        CloseMenus();

        ASSERT_TRUE(ClearSelection(list));
        ContextMenuOn(browser, list);
        Step("browser: context menu");
        MenuKey(VK_DOWN, 1);
        MenuKey(VK_DOWN, 1);
        MenuKey(VK_RIGHT, 2);
        Step("browser: context menu > View");
        CloseMenus();
        ASSERT_TRUE(SelectRow(list, L"other.txt")) << "other.txt is listed";
        ContextMenuOn(browser, list);
        Step("browser: context menu of a file");
        CloseMenus();
    }

    void TourBrowserPrompts(HWND browser) {
        HWND list = GetDlgItem(browser, IDC_FB_LIST);
        ASSERT_TRUE(SelectRow(list, L"other.txt"));
        PostMessageW(browser, WM_COMMAND, ID_FB_RENAME, 0);
        HWND editor = nullptr;
        EXPECT_TRUE(WaitFor([&] {
            editor = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
            return editor && IsWindowVisible(editor);
        })) << "rename starts the label editor";
        Step("browser: rename");
        if (editor) PostKey(editor, VK_ESCAPE);
        WaitFor([&] { return !IsWindow(editor); }, 3000);
        EXPECT_TRUE(IsWindowVisible(browser)) << "Esc in the label editor keeps the browser";

        ASSERT_TRUE(SelectRow(list, L"other.txt"));
        HWND prompt = OpenDialog(ID_FB_DELETE, "the delete prompt", browser);
        if (prompt) {
            Step("browser: delete prompt");
            Answer(prompt, {IDNO, IDCANCEL});
        }
        Step("browser: after the delete prompt");
    }

    void TourDroppedTree(HWND browser) {
        HWND combo = GetDlgItem(browser, IDC_FB_FOLDER);
        HWND tree = GetDlgItem(browser, IDC_FB_TREE);
        PostMessageW(combo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        PostMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(tree); })) << "a tap on the folder combo drops the tree";
        Step("browser: tree dropped");
        ASSERT_TRUE(TapTreeRow(tree));
        WaitFor([&] { return !IsWindowVisible(tree); }, 3000);
        Step("browser: after a tap in the tree");

        PostMessageW(combo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        PostMessageW(combo, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(tree); }));
        GUITHREADINFO info{sizeof(info)};
        GetGUIThreadInfo(GetWindowThreadProcessId(browser, nullptr), &info);
        PostKey(info.hwndFocus ? info.hwndFocus : tree, VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(browser); }, 3000)) << "Esc with the tree dropped cancels the browser";
    }

    // Open: the question about the modified document answered No, then the browser.
    HWND OpenBrowser(const char* promptLabel) {
        HWND browser = OpenDialog(ID_FILE_OPEN, "Open");
        if (browser && GetDlgItem(browser, IDNO)) {
            if (promptLabel) Step(promptLabel);
            Answer(browser, {IDNO});
            browser = WaitForDialog(frame_);
        }
        EXPECT_NE(browser, nullptr) << "the browser opens";
        return browser;
    }

    void TourBrowser() {
        HWND browser = OpenBrowser("save prompt before Open");
        ASSERT_NE(browser, nullptr);
        Step("browser: Open");
        TourBrowserViews(browser);
        TourBrowserMenus(browser);
        TourBrowserPrompts(browser);
        TourDroppedTree(browser);
        if (IsWindow(browser)) EndDialog(browser, IDCANCEL);
        Step("after the browser");

        // A file opened through the browser.
        browser = OpenBrowser(nullptr);
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(SelectRow(GetDlgItem(browser, IDC_FB_LIST), L"other.txt"));
        PostMessageW(browser, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return testsupport::WindowText(frame_) == L"other.txt - Brevitex"; }))
            << "other.txt opens through the browser";
        Step("opened through the browser");

        // Save As over an existing file.
        browser = OpenDialog(ID_FILE_SAVE_AS, "Save As");
        ASSERT_NE(browser, nullptr);
        Step("Save As");
        if (!smartphone_) CheckPanelAbove(browser);
        SendMessageW(GetDlgItem(browser, IDC_FB_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"notes"));
        HWND prompt = OpenDialog(IDOK, "the overwrite prompt", browser);
        if (prompt) {
            Step("overwrite prompt");
            Answer(prompt, {IDNO});
        }
        EndDialog(browser, IDCANCEL);
        Step("after Save As");
    }

    // The input panel raised for Save As is seen above the full-screen browser.
    void CheckPanelAbove(HWND browser) {
        auto windows = tour::ShownWindowsOf(Pid());
        int panel = -1;
        int dialog = -1;
        for (int i = 0; i < static_cast<int>(windows.size()); ++i) {
            if (windows[i].className == L"BrevitexInputPanel") panel = i;
            if (windows[i].hwnd == browser) dialog = i;
        }
        EXPECT_NE(panel, -1) << "Save As raises the input panel";
        EXPECT_TRUE(panel != -1 && panel < dialog) << "the input panel lies above the Save As browser";
    }

    void TourLongLoad() {
        std::string text;
        for (int i = 0; text.size() < (24u << 20); ++i) {
            text += "line " + std::to_string(i) + " of a long document that takes a while to load\r\n";
        }
        std::wstring path = dir_.File(L"long.txt");
        ASSERT_TRUE(testsupport::WriteBytes(path, text));
        testsupport::ChildProcess second(testsupport::ProgramCommandLine(L"\"" + path + L"\""));
        ASSERT_TRUE(second.Started());
        HWND bar = nullptr;
        HWND loading = nullptr;
        WaitFor(
            [&] {
                for (const auto& shown : tour::ShownWindowsOf(Pid())) {
                    if (shown.className != kFrameClass || shown.hwnd == frame_) continue;
                    loading = shown.hwnd;
                    bar = FindWindowExW(loading, nullptr, PROGRESS_CLASSW, nullptr);
                    if (bar && IsWindowVisible(bar)) return true;
                }
                return false;
            },
            20000);
        ASSERT_NE(loading, nullptr) << "a second launch opens a second window";
        EXPECT_TRUE(bar && IsWindowVisible(bar)) << "a long load shows its progress bar";
        HWND first = frame_;
        frame_ = loading;
        if (bar && IsWindowVisible(bar)) {
            // A window opened while the input panel is up ends above it, progress bar and all.
            RECT barRect{}, panelRect{};
            GetWindowRect(bar, &barRect);
            for (const auto& shown : tour::ShownWindowsOf(Pid())) {
                if (shown.className == L"BrevitexInputPanel" && GetWindowRect(shown.hwnd, &panelRect)) {
                    EXPECT_LE(barRect.bottom, panelRect.top) << "the progress bar lies under the input panel";
                }
            }
            Step("long load in progress", kNoRepaintCheck | kBusy);
        }
        EXPECT_TRUE(WaitFor([&] { return testsupport::WindowText(loading) == L"long.txt - Brevitex"; }, 60000))
            << "the long document loads";
        Step("long document loaded");
        PostMessageW(loading, WM_CLOSE, 0, 0);
        WaitFor([&] { return !IsWindow(loading); });
        frame_ = first;
    }

    testsupport::TempDir dir_{testsupport::TempDir::kDevicePath};
    std::unique_ptr<testsupport::ChildProcess> program_;
    HWND frame_ = nullptr;
    bool smartphone_ = false;
    RECT screen_{};
    int dpi_ = 96;
    int scale_ = 1;
    std::wstring docs_;
    std::string sheet_;
    std::string outUnix_;
    std::wstring out_;
    std::string shot_;
    std::string labels_;
    int steps_ = 0;
    // The focus window of a busy step whose drawing was off, and that step.
    HWND frozenFocus_ = nullptr;
    std::string frozenStep_;
};

}  // namespace

TEST_P(Tour, EveryScreenOfTheProgram) {
    ASSERT_NO_FATAL_FAILURE(Start(dir_.File(L"notes.txt")));
    Step("opened from the command line");
    for (wchar_t c : std::wstring(L"typed 你好 ")) PostMessageW(Edit(), WM_CHAR, c, 1);
    ASSERT_TRUE(WaitFor([&] { return testsupport::WindowText(frame_) == L"notes.txt* - Brevitex"; }));
    Step("typing");

    TourMenus();
    TourDialog(ID_VIEW_GOTO, "go to");
    TourDialog(ID_EDIT_FIND, "find/replace");
    TourDialog(ID_VIEW_FONT, "font");
    PostMessageW(frame_, WM_COMMAND, ID_EDIT_SELECT_ALL, 0);
    TourDialog(ID_TOOLS_SMS, "SMS");
    HWND about = OpenDialog(ID_APP_ABOUT, "About");
    if (about) {
        Step("About");
        Answer(about, {IDOK});
        Step("after About");
    }

    PostMessageW(frame_, WM_COMMAND, ID_VIEW_WORDWRAP, 0);
    Step("word wrap on");
    PostMessageW(frame_, WM_COMMAND, ID_VIEW_WORDWRAP, 0);
    Step("word wrap off");
    PostMessageW(frame_, WM_COMMAND, ID_VIEW_READONLY, 0);
    Step("read-only on");
    PostMessageW(frame_, WM_COMMAND, ID_VIEW_READONLY, 0);
    Step("read-only off");

    TourBrowser();
    TourLongLoad();

    PostMessageW(frame_, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    EXPECT_TRUE(program_->WaitForExit(&exitCode, 15000)) << "the program ends when its window closes";
}

INSTANTIATE_TEST_SUITE_P(Forms, Tour, ::testing::ValuesIn(kForms),
                         [](const ::testing::TestParamInfo<Form>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c) name += std::isalnum(*c) ? *c : '_';
                             return name;
                         });
