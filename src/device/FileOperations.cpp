// The shell's file operation and the free-space query, each behind one
// function with a test hook.
#include "device/DeviceShell.h"

namespace brevitex {

namespace {

SRWLOCK g_hookLock = SRWLOCK_INIT;
FileOperationHook g_fileOperationHook = nullptr;
void* g_fileOperationContext = nullptr;
DiskSpaceHook g_diskSpaceHook = nullptr;
void* g_diskSpaceContext = nullptr;

}  // namespace

void SetFileOperationHook(FileOperationHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_fileOperationHook = hook;
    g_fileOperationContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

void SetDiskSpaceHook(DiskSpaceHook hook, void* context) {
    AcquireSRWLockExclusive(&g_hookLock);
    g_diskSpaceHook = hook;
    g_diskSpaceContext = context;
    ReleaseSRWLockExclusive(&g_hookLock);
}

int DeviceFileOperation(SHFILEOPSTRUCTW* operation) {
    if (!operation) return ERROR_INVALID_PARAMETER;
    AcquireSRWLockShared(&g_hookLock);
    FileOperationHook hook = g_fileOperationHook;
    void* context = g_fileOperationContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) {
        int result = 0;
        if (hook(operation, &result, context)) return result;
    }
    return SHFileOperationW(operation);
}

bool DeviceGetDiskFreeSpace(const wchar_t* folder, DiskSpace* space) {
    if (!folder || !space) return false;
    AcquireSRWLockShared(&g_hookLock);
    DiskSpaceHook hook = g_diskSpaceHook;
    void* context = g_diskSpaceContext;
    ReleaseSRWLockShared(&g_hookLock);
    if (hook) return hook(folder, space, context);
    return GetDiskFreeSpaceExW(folder, &space->freeToCaller, &space->total, &space->totalFree) != FALSE;
}

}  // namespace brevitex
