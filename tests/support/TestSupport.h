// Helpers shared by the test executables: scratch folders, file bytes,
// message pumping and answering message boxes.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder, removed with its files on destruction: under the temp
// folder, or with kDevicePath under the build folder, named by a device path
// ("\...", rooted at the current drive) as the file browser names folders.
class TempDir {
public:
    enum Form { kDrivePath, kDevicePath };
    explicit TempDir(Form form = kDrivePath);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return path_; }
    // Full path of a file in the folder.
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool ReadBytes(const std::wstring& path, std::string* bytes);

// Dispatches this thread's messages until the predicate holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Dispatches this thread's pending messages.
void PumpPending();

// Answers every DeviceMessageBox of the process with a fixed answer and records them.
struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

class BoxAnswerer {
public:
    explicit BoxAnswerer(int answer);
    ~BoxAnswerer();
    void SetAnswer(int answer) { SetAnswers({answer}); }
    // Answers the next boxes in order; the last one repeats.
    void SetAnswers(std::vector<int> answers) {
        answers_ = std::move(answers);
        next_ = 0;
    }
    std::vector<RecordedBox> Boxes() const;

private:
    static int Hook(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, void* context);
    mutable CRITICAL_SECTION lock_;
    std::vector<int> answers_;
    size_t next_ = 0;
    std::vector<RecordedBox> boxes_;
};

// An environment variable of this process set (null: removed) for a scope.
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

// Records every shell file operation of the process (operation, both path
// lists with their terminating empty entry, flags) and then, when runForReal,
// lets the shell carry it out without its prompts; otherwise answers 0.
struct RecordedFileOperation {
    UINT operation;
    std::wstring from;
    std::wstring to;  // "<null>" when the record had no destination list
    WORD flags;
};

class FileOperationRecorder {
public:
    explicit FileOperationRecorder(bool runForReal);
    ~FileOperationRecorder();
    FileOperationRecorder(const FileOperationRecorder&) = delete;
    FileOperationRecorder& operator=(const FileOperationRecorder&) = delete;
    const std::vector<RecordedFileOperation>& Operations() const { return operations_; }
    void Clear() { operations_.clear(); }

private:
    static bool Hook(SHFILEOPSTRUCTW* operation, int* result, void* context);
    bool runForReal_;
    std::vector<RecordedFileOperation> operations_;
};

// Acts once on the first visible dialog of this thread, from a timer that runs
// inside the dialog's modal loop (the action may pump messages itself); any
// dialog still up after the time-out is ended with kTimedOutResult.
class ModalDriver {
public:
    static constexpr INT_PTR kTimedOutResult = 99;

    explicit ModalDriver(std::function<void(HWND dialog)> action, DWORD timeoutMs = 10000);
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    bool Acted() const { return acted_; }
    bool TimedOut() const { return timedOut_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::function<void(HWND)> action_;
    DWORD timeoutMs_;
    DWORD start_;
    UINT_PTR timer_ = 0;
    bool acting_ = false;
    bool acted_ = false;
    bool timedOut_ = false;
};

// The first visible dialog window (class #32770) of this thread, or null.
HWND FindThreadDialog();

// A tap on a list-view row: button down and up posted at the row label's centre.
void TapListItem(HWND list, int item);

// The text of a menu item by position.
std::wstring MenuItemText(HMENU menu, UINT position);

// Switches the process to the Smartphone or Pocket PC form for a scope; the
// form is unset (Pocket PC) again afterwards.
class PlatformScope {
public:
    explicit PlatformScope(bool smartphone);
    ~PlatformScope();
    PlatformScope(const PlatformScope&) = delete;
    PlatformScope& operator=(const PlatformScope&) = delete;
};

// For tests about the system's ANSI code page: skips the test, saying which
// code page it needs, when the process runs under another one.
#define BX_REQUIRE_ANSI_CODE_PAGE(cp)                                                              \
    do {                                                                                           \
        if (GetACP() != (cp)) {                                                                    \
            GTEST_SKIP() << "needs ANSI code page " << (cp) << " (LC_ALL=zh_CN.UTF-8 under Wine); " \
                         << "this process runs under " << GetACP();                                \
        }                                                                                          \
    } while (false)

// Windows path of the built program (brevitex.exe).
std::wstring ProgramPath();
// The command line that starts the built program with the arguments.
std::wstring ProgramCommandLine(const std::wstring& arguments);

// A process started for a test; one still running when the holder goes (a
// failed test) is ended, and its handles are closed.
class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& commandLine, DWORD creationFlags = 0);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    DWORD Id() const { return process_.dwProcessId; }
    HANDLE Handle() const { return process_.hProcess; }
    // The first thread (to resume a process made with CREATE_SUSPENDED).
    HANDLE MainThread() const { return process_.hThread; }
    // Waits for the process to end and gives its exit code; false on time-out.
    bool WaitForExit(DWORD* exitCode, DWORD timeoutMs = 15000) const;

private:
    PROCESS_INFORMATION process_{};
};

// A window's text (title, control text), whatever its length.
std::wstring WindowText(HWND window);

// The first visible dialog window (class #32770) owned by owner, of any
// thread or process, or null.
HWND FindOwnedDialog(HWND owner);

}  // namespace testsupport
