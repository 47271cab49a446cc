// BufferedFile: a platform file with a small write-back buffer. Writes collect in
// the buffer and reach the file in whole buffer loads; a long remainder goes to
// the file in one call. Any failed platform write is remembered until the next
// Open, so the last Close tells whether every byte reached the file.
#pragma once

#include <windows.h>

#include <cstdint>

namespace brevitex {

class BufferedFile {
public:
    static constexpr int32_t kBufferCapacity = 4096;

    BufferedFile() = default;
    ~BufferedFile() { Close(); }
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    // Opens (or creates, as disposition says) the file with share mode read.
    // A file still open is closed first.
    bool Open(const wchar_t* path, DWORD accessFlags, DWORD disposition);
    // Returns the number of bytes accepted; fewer than length means a failure.
    uint32_t Write(const void* data, uint32_t length);
    bool Flush();
    // Flushes and makes the end of what was written the end of the file.
    bool SetEnd();
    // Forgets bytes still in the buffer, so that closing writes nothing more.
    void DiscardBuffer();
    // Flushes, frees the buffer and closes the handle. False when any write or
    // flush since Open failed, or closing failed. Harmless on a closed file.
    bool Close();

    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return handle; }
    bool Failed() const { return failed; }

    // The platform write every BufferedFile uses; tests replace it to make the
    // file fail part-way. Null restores the real one.
    using PlatformWrite = BOOL (*)(HANDLE file, const void* data, DWORD length, DWORD* written);
    static void SetPlatformWriteForTesting(PlatformWrite write);

private:
    // One platform write; false when it failed or wrote fewer bytes than asked.
    bool WriteThrough(const void* data, DWORD length, DWORD* written);

    HANDLE handle = INVALID_HANDLE_VALUE;
    uint32_t access = 0;
    uint64_t position = 0;  // file offset of the buffer's first byte
    int32_t bufferCapacity = kBufferCapacity;
    uint8_t* buffer = nullptr;
    uint32_t bufferPos = 0;
    uint32_t bufferEnd = 0;
    bool dirty = false;
    bool failed = false;
};

}  // namespace brevitex
