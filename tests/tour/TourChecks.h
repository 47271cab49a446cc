// The tour's view of the running program from outside: its windows, memory in
// its address space for control messages that carry pointers, screenshots of
// the X display, and the checks made on the screen after every step.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tour {

// A visible top-level window (popups and menus included) of a process.
struct ShownWindow {
    HWND hwnd;
    std::wstring className;
    RECT rect;
};

// Every visible top-level window of the process, topmost first.
std::vector<ShownWindow> ShownWindowsOf(DWORD processId);

// A block in another process's memory for a message whose lParam points to a
// structure (TB_GETITEMRECT, LVM_SETITEMSTATE, TVM_GETITEMRECT).
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool Valid() const { return address_ != nullptr; }
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    bool Write(const void* data, size_t size) const;
    bool Read(void* data, size_t size) const;

private:
    HANDLE process_;
    void* address_;
};

// An RGB picture of the display, read from a binary PPM.
class Image {
public:
    bool Load(const std::wstring& path);
    int Width() const { return width_; }
    int Height() const { return height_; }
    const uint8_t* At(int x, int y) const { return &rgb_[(static_cast<size_t>(y) * width_ + x) * 3]; }
    bool IsBlack(int x, int y) const {
        const uint8_t* p = At(x, y);
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> rgb_;
};

// The largest square of pure black pixels inside rect (clipped to the image);
// its side is 0 when there is none.
RECT LargestBlackSquare(const Image& image, const RECT& rect);

// The bounding box of the pixels that differ between two pictures inside
// rect, leaving out those in ignored; empty when none differs.
RECT DifferingArea(const Image& a, const Image& b, const RECT& rect, const RECT& ignored);

// Pixels inside rect whose colour differs from the most frequent one there.
int PixelsOffBackground(const Image& image, const RECT& rect);
// Pixels inside rect darker than mid grey.
int DarkPixels(const Image& image, const RECT& rect);

// Runs a command line with /bin/sh (bounded); false when it failed.
bool RunUnixCommand(const std::string& command);

// The Unix path of a Windows path, for the Unix commands.
std::string UnixPathOf(const std::wstring& windowsPath);

std::string Utf8(const std::wstring& text);
std::string RectText(const RECT& rect);

}  // namespace tour
