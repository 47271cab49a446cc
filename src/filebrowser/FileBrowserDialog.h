// FileBrowserDialog: the Open / Save As dialog the document commands run to
// let the user choose a file and a text encoding. It is constructed with the
// mode, the initial path and the caller's type list (zero-terminated
// description and pattern strings, ended by an empty string), runs modally
// with the frame as owner, and after OK hands back a full path and an encoding.
#pragma once

#include <windows.h>

#include "common/TextEncoding.h"

namespace brevitex {

enum class BrowseMode : int32_t {
    SaveAs = 0,
    Open = 1,
};

class FileBrowserDialog {
public:
    static constexpr int kPathUnits = MAX_PATH;

    // initialPath may be null (empty); filter is not copied and may be null.
    FileBrowserDialog(BrowseMode mode, const wchar_t* initialPath, const wchar_t* filter);

    // The encoding preselected on entry; after OK the one chosen.
    void SetEncoding(TextEncoding encoding) { encoding_ = encoding; }
    TextEncoding Encoding() const { return encoding_; }

    // After OK the chosen full path; before, the initial path.
    const wchar_t* Path() const { return path_; }
    BrowseMode Mode() const { return mode_; }
    const wchar_t* Filter() const { return filter_; }
    const wchar_t* DefaultExtension() const { return L"txt"; }

    // Runs the dialog: 1 after OK, 2 after cancel, -1 when it could not be shown.
    INT_PTR Run(HWND owner);

    // Sets the outcome of a choice: the full path (cut to the buffer) and the encoding.
    void SetChoice(const wchar_t* path, TextEncoding encoding);

private:
    INT_PTR RunCommonDialog(HWND owner);

    BrowseMode mode_;
    TextEncoding encoding_ = TextEncoding::AutoDetect;
    wchar_t path_[kPathUnits] = {};
    const wchar_t* filter_;
};

// A process-wide hook that answers the browser instead of showing it (tests):
// it may call SetChoice and returns the result of the run; returning 0 shows
// the real dialog.
using FileBrowserHook = INT_PTR (*)(FileBrowserDialog& dialog, HWND owner, void* context);
void SetFileBrowserHook(FileBrowserHook hook, void* context);

}  // namespace brevitex
