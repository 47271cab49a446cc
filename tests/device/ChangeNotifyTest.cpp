// File change notifications on real folders: each kind of change with its
// paths, the event mask, deregistering with notifications queued, and a
// window destroyed with notifications in its queue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceTestWindows.h"
#include "device/DeviceShell.h"
#include "support/TestSupport.h"

using namespace brevitex;
using devicetest::RecordingWindow;
using testsupport::PumpUntil;
using testsupport::TempDir;

namespace {

struct Change {
    LONG event;
    ULONG flags;
    std::wstring item1;
    std::wstring item2;
    DWORD attributes;
    ULONG fileSize;
};

// A window that copies each notification it receives and frees it.
class ChangeSink {
public:
    ChangeSink() : window_(WS_OVERLAPPED, 0, 0, 100, 100) {
        window_.onMessage = [this](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
            if (message != WM_FILECHANGEINFO) return false;
            auto* notify = reinterpret_cast<FileChangeNotify*>(lParam);
            const FileChangeInfo& info = notify->info;
            changes.push_back({info.event, info.flags, info.item1 ? info.item1 : L"", info.item2 ? info.item2 : L"",
                               info.attributes, info.fileSize});
            DeviceChangeNotifyFree(notify);
            result = 0;
            return true;
        };
    }
    HWND Handle() const { return window_.Handle(); }

    // Waits (bounded) for a change of this event naming path as its first or second item.
    const Change* WaitFor(LONG event, const std::wstring& path) {
        const Change* found = nullptr;
        PumpUntil(
            [&] {
                for (const Change& change : changes) {
                    if (change.event == event && (change.item1 == path || change.item2 == path)) {
                        found = &change;
                        return true;
                    }
                }
                return false;
            },
            10000);
        return found;
    }
    bool Any(LONG event) const {
        for (const Change& change : changes) {
            if (change.event == event) return true;
        }
        return false;
    }

    std::vector<Change> changes;

private:
    RecordingWindow window_;
};

// Waits without dispatching until the window's queue holds a notification.
bool WaitQueued(HWND window) {
    DWORD start = GetTickCount();
    MSG msg;
    while (!PeekMessageW(&msg, window, WM_FILECHANGEINFO, WM_FILECHANGEINFO, PM_NOREMOVE)) {
        if (GetTickCount() - start > 10000) return false;
        Sleep(10);
    }
    return true;
}

bool Touch(const std::wstring& path, const char* bytes = "") {
    return testsupport::WriteBytes(path, bytes);
}

}  // namespace

TEST(ChangeNotifyTest, EachChangeArrivesWithItsPaths) {
    TempDir dir;
    ChangeSink sink;
    ChangeWatch watch = DeviceChangeNotifyRegister(sink.Handle(), dir.Path().c_str(), 0x2B01F, false);
    ASSERT_NE(watch, nullptr);

    ASSERT_TRUE(Touch(dir.File(L"a.txt"), "hello"));
    const Change* created = sink.WaitFor(kChangeCreate, dir.File(L"a.txt"));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->flags, kChangeItemsArePaths);
    EXPECT_EQ(created->attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

    ASSERT_TRUE(CreateDirectoryW(dir.File(L"目录").c_str(), nullptr));
    const Change* made = sink.WaitFor(kChangeMakeFolder, dir.File(L"目录"));
    ASSERT_NE(made, nullptr);
    EXPECT_NE(made->attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);

    ASSERT_TRUE(MoveFileW(dir.File(L"a.txt").c_str(), dir.File(L"b.txt").c_str()));
    const Change* renamed = sink.WaitFor(kChangeRenameItem, dir.File(L"b.txt"));
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->item1, dir.File(L"a.txt"));
    EXPECT_EQ(renamed->fileSize, 5u);

    ASSERT_TRUE(MoveFileW(dir.File(L"目录").c_str(), dir.File(L"folder2").c_str()));
    const Change* movedFolder = sink.WaitFor(kChangeRenameFolder, dir.File(L"folder2"));
    ASSERT_NE(movedFolder, nullptr);
    EXPECT_EQ(movedFolder->item1, dir.File(L"目录"));

    ASSERT_TRUE(Touch(dir.File(L"b.txt"), "longer text"));
    const Change* updated = sink.WaitFor(kChangeUpdateItem, dir.File(L"b.txt"));
    ASSERT_NE(updated, nullptr);

    ASSERT_TRUE(DeleteFileW(dir.File(L"b.txt").c_str()));
    EXPECT_NE(sink.WaitFor(kChangeDelete, dir.File(L"b.txt")), nullptr);
    ASSERT_TRUE(RemoveDirectoryW(dir.File(L"folder2").c_str()));
    EXPECT_NE(sink.WaitFor(kChangeRemoveFolder, dir.File(L"folder2")), nullptr) << "the folder's kind is remembered";

    EXPECT_TRUE(DeviceChangeNotifyDeregister(watch));
    EXPECT_FALSE(DeviceChangeNotifyDeregister(watch)) << "a registration ends once";
}

TEST(ChangeNotifyTest, MaskIsHonouredAndOtherFoldersAreNotReported) {
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"inner").c_str(), nullptr));
    ChangeSink sink;
    ChangeWatch watch = DeviceChangeNotifyRegister(sink.Handle(), dir.Path().c_str(), kChangeMakeFolder, false);
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(Touch(dir.File(L"file.txt")));
    ASSERT_TRUE(Touch(dir.File(L"inner\\deeper.txt")));
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"made").c_str(), nullptr));
    // A watch reports its folder's changes in their order: once the last one
    // is in, any reported for the earlier ones would be in as well.
    ASSERT_NE(sink.WaitFor(kChangeMakeFolder, dir.File(L"made")), nullptr);
    for (const Change& change : sink.changes) {
        EXPECT_EQ(change.event, kChangeMakeFolder) << "only the events of the mask arrive";
        EXPECT_EQ(change.item1.find(L"deeper"), std::wstring::npos) << "not recursive";
    }
    DeviceChangeNotifyDeregister(watch);
}

TEST(ChangeNotifyTest, NothingArrivesAfterDeregisterAndNothingLeaks) {
    TempDir dir;
    int before = DeviceChangeNotifyOutstanding();
    ChangeSink sink;
    ChangeWatch watch = DeviceChangeNotifyRegister(sink.Handle(), dir.Path().c_str(), 0x2B01F, false);
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(Touch(dir.File(L"queued.txt")));
    ASSERT_TRUE(WaitQueued(sink.Handle()));
    EXPECT_GT(DeviceChangeNotifyOutstanding(), before);
    ASSERT_TRUE(DeviceChangeNotifyDeregister(watch));
    EXPECT_EQ(DeviceChangeNotifyOutstanding(), before) << "the queued notification was taken back";
    // A second watch on the folder hears of the next change; the first one does not.
    ChangeSink witness;
    ChangeWatch witnessWatch = DeviceChangeNotifyRegister(witness.Handle(), dir.Path().c_str(), 0x2B01F, false);
    ASSERT_NE(witnessWatch, nullptr);
    ASSERT_TRUE(Touch(dir.File(L"after.txt")));
    ASSERT_NE(witness.WaitFor(kChangeCreate, dir.File(L"after.txt")), nullptr);
    testsupport::PumpPending();
    EXPECT_TRUE(sink.changes.empty());
    DeviceChangeNotifyDeregister(witnessWatch);

    DeviceChangeNotifyFree(nullptr);  // ignored
    EXPECT_EQ(DeviceChangeNotifyRegister(sink.Handle(), dir.File(L"missing").c_str(), 0x2B01F, false), nullptr);
    EXPECT_EQ(DeviceChangeNotifyRegister(nullptr, dir.Path().c_str(), 0x2B01F, false), nullptr);
}

TEST(ChangeNotifyTest, WindowDestroyedWithQueuedNotificationsLeaksNothing) {
    TempDir dir;
    int before = DeviceChangeNotifyOutstanding();
    auto* window = new RecordingWindow(WS_OVERLAPPED, 0, 0, 100, 100);
    HWND handle = window->Handle();
    ChangeWatch watch = DeviceChangeNotifyRegister(handle, dir.Path().c_str(), 0x2B01F, false);
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(Touch(dir.File(L"one.txt")));
    ASSERT_TRUE(Touch(dir.File(L"two.txt")));
    ASSERT_TRUE(WaitQueued(handle));
    delete window;  // destroys the window with the notifications still queued
    EXPECT_TRUE(PumpUntil([&] { return DeviceChangeNotifyOutstanding() == before; }, 10000));
    EXPECT_TRUE(DeviceChangeNotifyDeregister(watch));
}

// Changes that do not fit the watcher's buffer cannot be described one by
// one: the folder is reported as updated, and the watch goes on.
TEST(ChangeNotifyTest, AnOverflowedBufferReportsTheFolderAndWatchingGoesOn) {
    TempDir dir;
    ChangeSink sink;
    SetChangeNotifyBufferBytes(16);
    ChangeWatch watch = DeviceChangeNotifyRegister(sink.Handle(), dir.Path().c_str(), 0x2B01F, false);
    SetChangeNotifyBufferBytes(0);
    ASSERT_NE(watch, nullptr);
    ASSERT_TRUE(Touch(dir.File(L"a name longer than sixteen bytes.txt")));
    ASSERT_NE(sink.WaitFor(kChangeUpdateFolder, dir.Path()), nullptr);
    sink.changes.clear();
    ASSERT_TRUE(Touch(dir.File(L"a second name, longer still.txt")));
    EXPECT_NE(sink.WaitFor(kChangeUpdateFolder, dir.Path()), nullptr) << "still watching after the overflow";
    for (const Change& change : sink.changes) EXPECT_EQ(change.event, kChangeUpdateFolder);
    EXPECT_TRUE(DeviceChangeNotifyDeregister(watch));
}
