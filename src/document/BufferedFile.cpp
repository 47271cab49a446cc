// BufferedFile: opening, buffered writing, flushing and closing.
#include "document/BufferedFile.h"

#include <cstring>

namespace brevitex {

namespace {

BOOL RealPlatformWrite(HANDLE file, const void* data, DWORD length, DWORD* written) {
    return WriteFile(file, data, length, written, nullptr);
}

BufferedFile::PlatformWrite g_platformWrite = &RealPlatformWrite;

}  // namespace

void BufferedFile::SetPlatformWriteForTesting(PlatformWrite write) {
    g_platformWrite = write ? write : &RealPlatformWrite;
}

bool BufferedFile::Open(const wchar_t* path, DWORD accessFlags, DWORD disposition) {
    if (IsOpen()) Close();
    failed = false;
    dirty = false;
    position = 0;
    if (!path || !*path) return false;
    HANDLE file = CreateFileW(path, accessFlags, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    handle = file;
    access = accessFlags;
    HANDLE heap = GetProcessHeap();
    void* block = buffer ? HeapReAlloc(heap, HEAP_ZERO_MEMORY, buffer, static_cast<SIZE_T>(bufferCapacity))
                         : HeapAlloc(heap, HEAP_ZERO_MEMORY, static_cast<SIZE_T>(bufferCapacity));
    if (!block) {
        Close();
        return false;
    }
    buffer = static_cast<uint8_t*>(block);
    if (bufferEnd > static_cast<uint32_t>(bufferCapacity)) bufferEnd = static_cast<uint32_t>(bufferCapacity);
    if (bufferPos > bufferEnd) bufferPos = bufferEnd;
    return true;
}

bool BufferedFile::WriteThrough(const void* data, DWORD length, DWORD* written) {
    *written = 0;
    if (!g_platformWrite(handle, data, length, written)) {
        *written = 0;
        return false;
    }
    return *written == length;
}

uint32_t BufferedFile::Write(const void* data, uint32_t length) {
    if (!(access & GENERIC_WRITE) || !data || length == 0 || !IsOpen()) return 0;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);

    if (!buffer) {
        DWORD written = 0;
        bool ok = WriteThrough(bytes, length, &written);
        position += written;
        if (!ok) failed = true;
        return written;
    }

    uint32_t room = static_cast<uint32_t>(bufferCapacity) - bufferPos;
    uint32_t n = length < room ? length : room;
    if (n > 0) {
        memcpy(buffer + bufferPos, bytes, n);
        dirty = true;
        bufferPos += n;
        if (bufferEnd < bufferPos) bufferEnd = bufferPos;
    }
    if (n == length) return length;

    // The buffer is full: its bytes must reach the file before it takes more.
    if (dirty && !Flush()) return n;
    bufferPos = 0;
    bufferEnd = 0;
    uint32_t rest = length - n;
    if (rest < static_cast<uint32_t>(bufferCapacity)) {
        memcpy(buffer, bytes + n, rest);
        bufferPos = rest;
        bufferEnd = rest;
        dirty = true;
        return length;
    }

    // A long remainder goes to the file in one call, bypassing the buffer.
    DWORD written = 0;
    bool ok = WriteThrough(bytes + n, rest, &written);
    if (!ok) failed = true;
    LARGE_INTEGER zero{};
    LARGE_INTEGER pointer{};
    if (SetFilePointerEx(handle, zero, &pointer, FILE_CURRENT)) {
        position = static_cast<uint64_t>(pointer.QuadPart);
    } else {
        position = UINT64_MAX;
        failed = true;
    }
    return n + written;
}

bool BufferedFile::Flush() {
    if (!dirty) return true;
    if (buffer && bufferEnd > 0) {
        LARGE_INTEGER target;
        target.QuadPart = static_cast<LONGLONG>(position);
        if (!SetFilePointerEx(handle, target, nullptr, FILE_BEGIN)) {
            failed = true;
            return false;
        }
        DWORD written = 0;
        if (!WriteThrough(buffer, bufferEnd, &written)) {
            // The buffer stays dirty at its old position; the failure stays recorded.
            failed = true;
            return false;
        }
        position += written;
        bufferPos = 0;
        bufferEnd = 0;
    }
    dirty = false;
    return true;
}

bool BufferedFile::SetEnd() {
    if (!IsOpen() || !Flush() || failed) return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) {
        failed = true;
        return false;
    }
    return true;
}

void BufferedFile::DiscardBuffer() {
    dirty = false;
    bufferPos = 0;
    bufferEnd = 0;
}

bool BufferedFile::Close() {
    if (dirty) Flush();
    dirty = false;
    if (buffer) {
        HeapFree(GetProcessHeap(), 0, buffer);
        buffer = nullptr;
    }
    bufferPos = 0;
    bufferEnd = 0;
    if (IsOpen()) {
        if (!CloseHandle(handle)) failed = true;
        handle = INVALID_HANDLE_VALUE;
        access = 0;
        position = 0;
    }
    return !failed;
}

}  // namespace brevitex
