// The device's file services on real folders: storage cards from the
// environment, the free-space query and its hook, and the shell's file
// operation seen through its hook and then run for real on device paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;

namespace {

struct Card {
    std::wstring name;
    DWORD attributes;
};

std::vector<Card> Cards() {
    std::vector<Card> cards;
    WIN32_FIND_DATAW data{};
    HANDLE search = DeviceFindFirstStorageCard(&data);
    if (search == INVALID_HANDLE_VALUE) return cards;
    do {
        cards.push_back({data.cFileName, data.dwFileAttributes});
    } while (DeviceFindNextStorageCard(search, &data));
    EXPECT_TRUE(DeviceFindCloseStorageCard(search));
    return cards;
}

// The device path without its leading '\', as the card list names folders.
std::wstring Relative(const std::wstring& devicePath) { return devicePath.substr(1); }

}  // namespace

TEST(FileServicesTest, StorageCardsAreTheExistingFoldersNamedInTheEnvironment) {
    TempDir dir(TempDir::kDevicePath);
    ASSERT_EQ(dir.Path()[0], L'\\');
    const std::wstring sd = dir.File(L"sd");
    const std::wstring usb = dir.File(L"usb 卡");
    ASSERT_TRUE(CreateDirectoryW(sd.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(usb.c_str(), nullptr));
    ASSERT_TRUE(testsupport::WriteBytes(dir.File(L"file"), "x"));

    {
        ScopedEnvironment none(L"BREVITEX_STORAGE_CARDS", nullptr);
        EXPECT_TRUE(Cards().empty());
    }
    // Empty entries, a missing folder and a file are left out; '/' separators and
    // surrounding separators are accepted.
    std::wstring usbSlashes = L"/" + Relative(usb) + L"/";
    for (auto& c : usbSlashes) {
        if (c == L'\\') c = L'/';
    }
    std::wstring list = Relative(sd) + L";;" + Relative(dir.File(L"missing")) + L";" + Relative(dir.File(L"file")) +
                        L";" + usbSlashes;
    ScopedEnvironment cards(L"BREVITEX_STORAGE_CARDS", list.c_str());
    auto found = Cards();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, Relative(sd));
    EXPECT_EQ(found[1].name, Relative(usb));
    for (const Card& card : found) EXPECT_TRUE(card.attributes & FILE_ATTRIBUTE_DIRECTORY);

    ScopedEnvironment onlyMissing(L"BREVITEX_STORAGE_CARDS", Relative(dir.File(L"missing")).c_str());
    EXPECT_TRUE(Cards().empty());
}

TEST(FileServicesTest, FreeSpaceIsTheVolumesOrTheHooksAnswer) {
    TempDir dir(TempDir::kDevicePath);
    DiskSpace space{};
    ASSERT_TRUE(DeviceGetDiskFreeSpace(dir.Path().c_str(), &space));
    EXPECT_GT(space.total.QuadPart, 0u);
    EXPECT_LE(space.totalFree.QuadPart, space.total.QuadPart);
    EXPECT_FALSE(DeviceGetDiskFreeSpace(dir.File(L"missing\\deeper").c_str(), &space));

    struct Asked {
        std::wstring folder;
    } asked;
    SetDiskSpaceHook(
        [](const wchar_t* folder, DiskSpace* answer, void* context) {
            static_cast<Asked*>(context)->folder = folder;
            answer->total.QuadPart = 42;
            return true;
        },
        &asked);
    EXPECT_TRUE(DeviceGetDiskFreeSpace(L"\\anywhere", &space));
    SetDiskSpaceHook(nullptr, nullptr);
    EXPECT_EQ(asked.folder, L"\\anywhere");
    EXPECT_EQ(space.total.QuadPart, 42u);
}

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(FileServicesTest, FileOperationHookSeesTheRequestAndTheShellCarriesItOutOnDevicePaths) {
    TempDir dir(TempDir::kDevicePath);
    ASSERT_TRUE(testsupport::WriteBytes(dir.File(L"a.txt"), "abc"));
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"目标").c_str(), nullptr));
    testsupport::FileOperationRecorder recorder(true);

    std::wstring from = dir.File(L"a.txt") + L'\0';
    std::wstring to = dir.File(L"目标\\a.txt") + L'\0';
    SHFILEOPSTRUCTW copy{};
    copy.wFunc = FO_COPY;
    copy.pFrom = from.c_str();
    copy.pTo = to.c_str();
    EXPECT_EQ(DeviceFileOperation(&copy), 0);
    ASSERT_EQ(recorder.Operations().size(), 1u);
    EXPECT_EQ(recorder.Operations()[0].operation, static_cast<UINT>(FO_COPY));
    EXPECT_EQ(recorder.Operations()[0].from, from + L'\0');
    EXPECT_EQ(recorder.Operations()[0].to, to + L'\0');
    EXPECT_EQ(recorder.Operations()[0].flags, 0);
    std::string bytes;
    EXPECT_TRUE(testsupport::ReadBytes(dir.File(L"目标\\a.txt"), &bytes));
    EXPECT_EQ(bytes, "abc");
    EXPECT_TRUE(Exists(dir.File(L"a.txt")));

    SHFILEOPSTRUCTW remove{};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    EXPECT_EQ(DeviceFileOperation(&remove), 0);
    ASSERT_EQ(recorder.Operations().size(), 2u);
    EXPECT_EQ(recorder.Operations()[1].to, L"<null>");
    EXPECT_FALSE(Exists(dir.File(L"a.txt")));

    // A hook that answers keeps the shell out of it.
    SetFileOperationHook(
        [](SHFILEOPSTRUCTW*, int* result, void*) {
            *result = 1234;
            return true;
        },
        nullptr);
    std::wstring target = dir.File(L"目标") + L'\0';
    remove.pFrom = target.c_str();
    EXPECT_EQ(DeviceFileOperation(&remove), 1234);
    SetFileOperationHook(nullptr, nullptr);
    EXPECT_TRUE(Exists(dir.File(L"目标\\a.txt")));
}
