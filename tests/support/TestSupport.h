// Helpers shared by the test executables: scratch folders, file bytes,
// message pumping and answering message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A fresh folder under the temp folder, removed with its files on destruction.
class TempDir {
public:
    TempDir();
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
    void SetAnswer(int answer) { answers_.assign(1, answer); }
    // Answers in order; the last one repeats.
    void SetAnswers(std::vector<int> answers) { answers_ = std::move(answers); }
    std::vector<RecordedBox> Boxes() const;

private:
    static int Hook(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, void* context);
    mutable CRITICAL_SECTION lock_;
    std::vector<int> answers_;
    size_t next_ = 0;
    std::vector<RecordedBox> boxes_;
};

// Windows path of the built program (brevitex.exe).
std::wstring ProgramPath();

}  // namespace testsupport
