// WideString (UTF-16) and ByteString (bytes): the program's reference-counted,
// copy-on-write strings. A heap block holds a header {refs, length, capacity}
// followed by capacity + 1 units; the text is always NUL-terminated. One shared
// empty block (refs -1) stands for every empty string and is never freed. A
// block handed out writable through GetBuffer is also marked -1 and is copied,
// not shared, when the string is assigned elsewhere.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>

namespace brevitex {

struct StringHeader {
    int32_t refs;      // -1: shared empty block, or a block handed out writable
    int32_t length;    // units in use, terminator not counted
    int32_t capacity;  // units available, terminator not counted
};

template <class Ch>
class BasicString {
public:
    BasicString() noexcept;
    BasicString(const Ch* text);  // NUL-terminated; null gives empty
    BasicString(const Ch* text, int length);
    BasicString(const BasicString& other) noexcept;
    BasicString(BasicString&& other) noexcept;
    ~BasicString();

    BasicString& operator=(const BasicString& other) noexcept;
    BasicString& operator=(BasicString&& other) noexcept;
    BasicString& operator=(const Ch* text);

    // Each returns false when memory could not be had; the string is then unchanged.
    bool Assign(const Ch* text, int length);
    bool Append(const Ch* text, int length);
    bool Append(const Ch* text);
    bool Append(const BasicString& other) { return Append(other.c_str(), other.Length()); }
    BasicString& operator+=(const Ch* text) { Append(text); return *this; }
    BasicString& operator+=(const BasicString& other) { Append(other); return *this; }

    // Middle part; start and count are clamped to the text.
    BasicString Mid(int start, int count = INT32_MAX) const;

    // Writable buffer of at least minCapacity units (plus the terminator), holding
    // the current text. Null when memory could not be had. ReleaseBuffer sets the
    // new length (-1: measure to the first NUL) and makes the block shareable again.
    Ch* GetBuffer(int minCapacity);
    void ReleaseBuffer(int newLength = -1);
    // Gives spare capacity back to the heap.
    void Shrink();

    void Empty();
    int Length() const noexcept { return Header()->length; }
    int Capacity() const noexcept { return Header()->capacity; }
    bool IsEmpty() const noexcept { return Header()->length == 0; }
    const Ch* c_str() const noexcept { return data_; }
    operator const Ch*() const noexcept { return data_; }
    Ch operator[](int i) const noexcept { return data_[i]; }

    int Compare(const Ch* other) const;
    bool operator==(const Ch* other) const { return Compare(other) == 0; }
    bool operator==(const BasicString& other) const;

    // Reference count of the block (for tests and diagnostics).
    int32_t RefCount() const noexcept { return Header()->refs; }
    bool SharesBufferWith(const BasicString& other) const noexcept { return data_ == other.data_; }

private:
    StringHeader* Header() const noexcept { return reinterpret_cast<StringHeader*>(data_) - 1; }
    static Ch* EmptyData() noexcept;
    static Ch* Allocate(int capacity);
    void Release() noexcept;
    bool MakeUnique(int minCapacity, bool exactGrowth);

    Ch* data_;
};

class WideString : public BasicString<wchar_t> {
public:
    using BasicString<wchar_t>::BasicString;
    using BasicString<wchar_t>::operator=;
    WideString() = default;
    WideString(const BasicString<wchar_t>& other) : BasicString<wchar_t>(other) {}

    // Loads a string-table entry of the program's module; false when missing.
    bool Load(UINT id);
    // printf-style formatting (wide %s) limited to one memory page of output; a
    // result that does not fit leaves the string unchanged and returns false.
    bool Format(const wchar_t* pattern, ...);
    bool FormatV(const wchar_t* pattern, va_list args);
    bool FormatId(UINT patternId, ...);
};

using ByteString = BasicString<char>;

extern template class BasicString<wchar_t>;
extern template class BasicString<char>;

}  // namespace brevitex
