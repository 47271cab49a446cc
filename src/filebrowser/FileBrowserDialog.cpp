// FileBrowserDialog, interim form: the platform's common Open and Save As
// dialogs stand in for the program's own browser. The type list is converted to
// their filter format and the encoding passes through unchanged (AutoDetect
// for Open, the document's own for Save As).
#include "filebrowser/FileBrowserDialog.h"

#include <commdlg.h>

#include <cwchar>
#include <string>

#include "shell/Settings.h"

namespace brevitex {

namespace {

SRWLOCK g_hookLock = SRWLOCK_INIT;
FileBrowserHook g_hook = nullptr;
void* g_hookContext = nullptr;

// The caller's list (description, patterns separated by ',', ...) in the
// common dialog's form (patterns separated by ';'), double-terminated.
std::wstring CommonDialogFilter(const wchar_t* filter) {
    std::wstring converted;
    if (!filter) return std::wstring(2, L'\0');
    bool isPattern = false;
    for (const wchar_t* part = filter; *part; part += wcslen(part) + 1) {
        std::wstring text(part);
        if (isPattern) {
            for (wchar_t& c : text) {
                if (c == L',') c = L';';
            }
        }
        converted += text;
        converted.push_back(L'\0');
        isPattern = !isPattern;
    }
    converted.push_back(L'\0');
    return converted;
}

bool IsFolder(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

FileBrowserDialog::FileBrowserDialog(BrowseMode mode, const wchar_t* initialPath, const wchar_t* filter)
    : mode_(mode == BrowseMode::SaveAs ? BrowseMode::SaveAs : BrowseMode::Open), filter_(filter) {
    if (initialPath) lstrcpynW(path_, initialPath, kPathUnits);
}

void FileBrowserDialog::SetChoice(const wchar_t* path, TextEncoding encoding) {
    lstrcpynW(path_, path ? path : L"", kPathUnits);
    encoding_ = encoding;
}

void SetFileBrowserHook(FileBrowserHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_hook = hook;
    g_hookContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

INT_PTR FileBrowserDialog::Run(HWND owner) {
    AcquireSRWLockShared(&g_hookLock);
    FileBrowserHook hook = g_hook;
    void* context = g_hookContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) {
        if (INT_PTR answer = hook(*this, owner, context)) return answer;
    }
    return RunCommonDialog(owner);
}

INT_PTR FileBrowserDialog::RunCommonDialog(HWND owner) {
    // Start in the initial path's folder with its name; a path without a
    // folder (an untitled name) starts in the last folder confirmed.
    wchar_t file[kPathUnits] = {};
    wchar_t folder[kPathUnits] = {};
    if (const wchar_t* slash = wcsrchr(path_, L'\\')) {
        lstrcpynW(folder, path_, static_cast<int>(slash - path_) + 2);  // with the backslash
        lstrcpynW(file, slash + 1, kPathUnits);
    } else {
        WideString last = LastFilePath();
        if (!last.IsEmpty() && IsFolder(last)) lstrcpynW(folder, last, kPathUnits);
        lstrcpynW(file, path_, kPathUnits);
    }
    std::wstring filter = CommonDialogFilter(filter_);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathUnits;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.lpstrDefExt = DefaultExtension();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    BOOL chosen;
    if (mode_ == BrowseMode::Open) {
        ofn.Flags |= OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameW(&ofn);
    } else {
        ofn.Flags |= OFN_OVERWRITEPROMPT;
        chosen = GetSaveFileNameW(&ofn);
    }
    if (!chosen) return CommDlgExtendedError() == 0 ? IDCANCEL : -1;

    lstrcpynW(path_, file, kPathUnits);
    // The folder shown, with its trailing backslash, becomes the last folder.
    if (ofn.nFileOffset > 0 && ofn.nFileOffset < kPathUnits) {
        WideString shown(file, ofn.nFileOffset);
        if (shown.Length() > 0 && shown[shown.Length() - 1] != L'\\') shown.Append(L"\\");
        SetLastFilePath(shown);
    }
    return IDOK;
}

}  // namespace brevitex
