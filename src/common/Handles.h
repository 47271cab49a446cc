// Small owners for system resources: each releases what it holds when it goes
// out of scope, can hand it over (Release) and moves but never copies.
//
// Allocation failures: where an allocation can fail for real (document texts,
// heap blocks, window and dialog objects) it is made without throwing
// (HeapAlloc, new (std::nothrow), WideString's bool results) and the
// operation reports failure. Small containers of fixed or tiny size may use
// the standard allocating types as they are.
#pragma once

#include <windows.h>

#include <utility>

namespace brevitex {

// Owns a value of type T released with Traits::Free; Traits::Invalid() is the empty value.
template <class T, class Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T value) noexcept : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    T Get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
    // Address for functions that return the value through an out-parameter; frees what was held.
    T* Put() noexcept {
        Reset();
        return &value_;
    }
    T Release() noexcept { return std::exchange(value_, Traits::Invalid()); }
    void Reset(T value = Traits::Invalid()) noexcept {
        T old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Free(old);
    }

private:
    T value_ = Traits::Invalid();
};

template <class T>
struct GdiObjectTraits {
    static T Invalid() noexcept { return nullptr; }
    static void Free(T object) noexcept { DeleteObject(object); }
};
struct KernelHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Free(HANDLE handle) noexcept { CloseHandle(handle); }
};
// File handles use INVALID_HANDLE_VALUE for "none".
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE handle) noexcept { CloseHandle(handle); }
};
struct FindHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE handle) noexcept { FindClose(handle); }
};
struct RegistryKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static void Free(HKEY key) noexcept { RegCloseKey(key); }
};
struct HeapBlockTraits {
    static void* Invalid() noexcept { return nullptr; }
    static void Free(void* block) noexcept { HeapFree(GetProcessHeap(), 0, block); }
};
struct MenuTraits {
    static HMENU Invalid() noexcept { return nullptr; }
    static void Free(HMENU menu) noexcept { DestroyMenu(menu); }
};
struct MemoryDcTraits {
    static HDC Invalid() noexcept { return nullptr; }
    static void Free(HDC dc) noexcept { DeleteDC(dc); }
};

using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<HPEN, GdiObjectTraits<HPEN>>;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, GdiObjectTraits<HGDIOBJ>>;
using UniqueHandleValue = UniqueHandle<HANDLE, KernelHandleTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileHandleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindHandleTraits>;
using UniqueRegistryKey = UniqueHandle<HKEY, RegistryKeyTraits>;
using UniqueHeapBlock = UniqueHandle<void*, HeapBlockTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
// A memory device context from CreateCompatibleDC.
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;

// A window's device context, given back with ReleaseDC: its client area
// (GetDC) or, for drawing on the frame and caption, the whole window (GetWindowDC).
class WindowDc {
public:
    enum Area { kClientArea, kWholeWindow };
    explicit WindowDc(HWND window, Area area = kClientArea) noexcept
        : window_(window), dc_(area == kWholeWindow ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The painting context of WM_PAINT: BeginPaint on construction, EndPaint on destruction.
class PaintDc {
public:
    explicit PaintDc(HWND window) noexcept : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintDc() {
        if (dc_) EndPaint(window_, &paint_);
    }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const noexcept { return dc_; }
    const PAINTSTRUCT& Paint() const noexcept { return paint_; }

private:
    HWND window_;
    HDC dc_;
    PAINTSTRUCT paint_{};
};

// Selects an object into a device context for a scope and selects the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves a device context's state (selections, colours, modes) for a scope and restores it.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// The wait cursor for the life of a scope; the previous cursor comes back after.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace brevitex
