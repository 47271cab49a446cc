// The file browser as the document commands meet it today: the platform's
// common dialogs, driven from another thread as a user would, with the type
// list converted, the default extension added, the encoding passed through
// and the last folder kept.
#include <gtest/gtest.h>

#include <thread>

#include "filebrowser/FileBrowserDialog.h"
#include "shell/Settings.h"
#include "support/TestSupport.h"

using namespace brevitex;

namespace {

const wchar_t kSaveTypes[] = L"TXT 文件\0*.txt,*.text\0所有文件\0*.*\0";

// The shown dialog owned by a window, or null after the time-out.
HWND WaitForDialog(HWND owner) {
    for (int i = 0; i < 1500; ++i) {
        HWND dialog = nullptr;
        while ((dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) != nullptr) {
            if (GetWindow(dialog, GW_OWNER) == owner && IsWindowVisible(dialog)) return dialog;
        }
        Sleep(10);
    }
    return nullptr;
}

class Owner {
public:
    Owner() { hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr); }
    ~Owner() { DestroyWindow(hwnd_); }
    HWND hwnd_;
};

}  // namespace

TEST(FileBrowserDialogTest, SaveAsAddsTheExtensionKeepsTheEncodingAndTheFolder) {
    testsupport::TempDir dir;
    Owner owner;
    SetLastFilePath(L"");
    FileBrowserDialog dialog(BrowseMode::SaveAs, (dir.Path() + L"\\draft").c_str(), kSaveTypes);
    dialog.SetEncoding(TextEncoding::Utf8);
    std::vector<std::wstring> types;
    std::thread user([&] {
        HWND shown = WaitForDialog(owner.hwnd_);
        if (!shown) return;
        HWND combo = GetDlgItem(shown, 0x470);  // the file-type list
        for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[128] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            types.push_back(text);
        }
        PostMessageW(shown, WM_COMMAND, IDOK, 0);
    });
    INT_PTR result = dialog.Run(owner.hwnd_);
    user.join();
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(types, (std::vector<std::wstring>{L"TXT 文件", L"所有文件"}));
    EXPECT_EQ(_wcsicmp(dialog.Path(), (dir.Path() + L"\\draft.txt").c_str()), 0) << dialog.Path();
    EXPECT_EQ(dialog.Encoding(), TextEncoding::Utf8);
    std::wstring folder(LastFilePath().c_str());
    EXPECT_EQ(_wcsicmp(folder.c_str(), (dir.Path() + L"\\").c_str()), 0) << folder;
    SetLastFilePath(L"");
}
