// Windows, remote memory and pixel helpers of the tour.
#include "tour/TourChecks.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "support/TestSupport.h"
#include "support/UnixSide.h"

namespace tour {

std::vector<ShownWindow> ShownWindowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<ShownWindow> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->processId || !IsWindowVisible(hwnd)) return TRUE;
            wchar_t name[128] = {};
            GetClassNameW(hwnd, name, 128);
            RECT rect{};
            GetWindowRect(hwnd, &rect);
            if (rect.right > rect.left && rect.bottom > rect.top) s->found.push_back({hwnd, name, rect});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RemoteBuffer::RemoteBuffer(HANDLE process, size_t size)
    : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteBuffer::~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(const void* data, size_t size) const {
    SIZE_T done = 0;
    return address_ && WriteProcessMemory(process_, address_, data, size, &done) && done == size;
}

bool RemoteBuffer::Read(void* data, size_t size) const {
    SIZE_T done = 0;
    return address_ && ReadProcessMemory(process_, address_, data, size, &done) && done == size;
}

bool Image::Load(const std::wstring& path) {
    std::string bytes;
    if (!testsupport::ReadBytes(path, &bytes)) return false;
    // "P6 <width> <height> <maxval>" and one white-space byte before the pixels.
    int fields[3] = {};
    size_t at = 2;
    if (bytes.compare(0, 2, "P6") != 0) return false;
    for (int& field : fields) {
        while (at < bytes.size() && (isspace(static_cast<unsigned char>(bytes[at])) || bytes[at] == '#')) {
            if (bytes[at] == '#') at = bytes.find('\n', at);
            if (at == std::string::npos) return false;
            ++at;
        }
        while (at < bytes.size() && isdigit(static_cast<unsigned char>(bytes[at]))) field = field * 10 + (bytes[at++] - '0');
    }
    ++at;
    if (fields[2] != 255 || bytes.size() < at + static_cast<size_t>(fields[0]) * fields[1] * 3) return false;
    width_ = fields[0];
    height_ = fields[1];
    rgb_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    return true;
}

namespace {

RECT Clip(const Image& image, const RECT& rect) {
    RECT whole{0, 0, image.Width(), image.Height()};
    RECT clipped{};
    IntersectRect(&clipped, &rect, &whole);
    return clipped;
}

}  // namespace

RECT LargestBlackSquare(const Image& image, const RECT& rect) {
    RECT r = Clip(image, rect);
    const int width = r.right - r.left;
    // side[x]: the side of the largest black square whose bottom-right pixel is
    // (x, y) of the current row; one row of the previous line is kept.
    std::vector<int> previous(static_cast<size_t>(width) + 1, 0);
    std::vector<int> current(static_cast<size_t>(width) + 1, 0);
    RECT best{};
    int bestSide = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int i = 1; i <= width; ++i) {
            int x = r.left + i - 1;
            current[i] = image.IsBlack(x, y) ? 1 + std::min({previous[i], previous[i - 1], current[i - 1]}) : 0;
            if (current[i] > bestSide) {
                bestSide = current[i];
                best = RECT{x - bestSide + 1, y - bestSide + 1, x + 1, y + 1};
            }
        }
        std::swap(previous, current);
    }
    return best;
}

RECT DifferingArea(const Image& a, const Image& b, const RECT& rect, const RECT& ignored) {
    RECT area{};
    if (a.Width() != b.Width() || a.Height() != b.Height()) return Clip(a, rect);
    RECT r = Clip(a, rect);
    bool any = false;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (std::equal(a.At(x, y), a.At(x, y) + 3, b.At(x, y))) continue;
            if (x >= ignored.left && x < ignored.right && y >= ignored.top && y < ignored.bottom) continue;
            if (!any) area = RECT{x, y, x + 1, y + 1};
            area.left = std::min<LONG>(area.left, x);
            area.right = std::max<LONG>(area.right, x + 1);
            area.bottom = y + 1;
            any = true;
        }
    }
    return area;
}

int PixelsOffBackground(const Image& image, const RECT& rect) {
    RECT r = Clip(image, rect);
    std::map<uint32_t, int> counts;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const uint8_t* p = image.At(x, y);
            ++counts[(p[0] << 16) | (p[1] << 8) | p[2]];
        }
    }
    int total = 0;
    int most = 0;
    for (const auto& [colour, count] : counts) {
        total += count;
        most = std::max(most, count);
    }
    return total - most;
}

int DarkPixels(const Image& image, const RECT& rect) {
    RECT r = Clip(image, rect);
    int dark = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const uint8_t* p = image.At(x, y);
            if (p[0] * 30 + p[1] * 59 + p[2] * 11 < 128 * 100) ++dark;
        }
    }
    return dark;
}

bool RunUnixCommand(const std::string& command) { return testsupport::RunUnix(command); }

std::string UnixPathOf(const std::wstring& windowsPath) { return testsupport::UnixPath(windowsPath); }

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::string RectText(const RECT& rect) {
    char text[96];
    snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", rect.left, rect.top, rect.right, rect.bottom);
    return text;
}

}  // namespace tour
