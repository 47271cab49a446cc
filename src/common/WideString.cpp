// Reference-counted copy-on-write strings: block management, loading from the
// string table and bounded formatting.
#include "common/WideString.h"

#include <cstring>
#include <cwchar>

#include "common/Module.h"

namespace brevitex {

namespace {

template <class Ch>
struct EmptyBlock {
    StringHeader header{-1, 0, 0};
    Ch terminator[1]{};
};

EmptyBlock<wchar_t> g_emptyWide;
EmptyBlock<char> g_emptyBytes;

// One memory page of formatted output, terminator included.
constexpr int kFormatLimitUnits = 4096 / sizeof(wchar_t);

template <class Ch>
int MeasureLength(const Ch* text) {
    if constexpr (sizeof(Ch) == 1) {
        return static_cast<int>(strlen(text));
    } else {
        return static_cast<int>(wcslen(text));
    }
}

}  // namespace

template <class Ch>
Ch* BasicString<Ch>::EmptyData() noexcept {
    if constexpr (sizeof(Ch) == 1) {
        return g_emptyBytes.terminator;
    } else {
        return g_emptyWide.terminator;
    }
}

template <class Ch>
Ch* BasicString<Ch>::Allocate(int capacity) {
    if (capacity < 0) return nullptr;
    size_t bytes = sizeof(StringHeader) + (static_cast<size_t>(capacity) + 1) * sizeof(Ch);
    auto* header = static_cast<StringHeader*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!header) return nullptr;
    header->refs = 1;
    header->length = 0;
    header->capacity = capacity;
    Ch* data = reinterpret_cast<Ch*>(header + 1);
    data[0] = 0;
    return data;
}

template <class Ch>
BasicString<Ch>::BasicString() noexcept : data_(EmptyData()) {}

template <class Ch>
BasicString<Ch>::BasicString(const Ch* text) : data_(EmptyData()) {
    if (text) Assign(text, MeasureLength(text));
}

template <class Ch>
BasicString<Ch>::BasicString(const Ch* text, int length) : data_(EmptyData()) {
    Assign(text, length);
}

template <class Ch>
BasicString<Ch>::BasicString(const BasicString& other) noexcept : data_(EmptyData()) {
    *this = other;
}

template <class Ch>
BasicString<Ch>::BasicString(BasicString&& other) noexcept : data_(other.data_) {
    other.data_ = EmptyData();
}

template <class Ch>
BasicString<Ch>::~BasicString() { Release(); }

template <class Ch>
void BasicString<Ch>::Release() noexcept {
    if (data_ == EmptyData()) return;
    StringHeader* header = Header();
    // A writable block (-1) belongs to this string alone.
    if (header->refs == -1 || InterlockedDecrement(reinterpret_cast<volatile LONG*>(&header->refs)) == 0) {
        HeapFree(GetProcessHeap(), 0, header);
    }
    data_ = EmptyData();
}

template <class Ch>
BasicString<Ch>& BasicString<Ch>::operator=(const BasicString& other) noexcept {
    if (this == &other || data_ == other.data_) return *this;
    if (other.data_ == EmptyData() || other.Header()->refs != -1) {
        if (other.data_ != EmptyData()) InterlockedIncrement(reinterpret_cast<volatile LONG*>(&other.Header()->refs));
        Release();
        data_ = other.data_;
    } else {
        // The source is writable: copy instead of sharing.
        Assign(other.data_, other.Length());
    }
    return *this;
}

template <class Ch>
BasicString<Ch>& BasicString<Ch>::operator=(BasicString&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        other.data_ = EmptyData();
    }
    return *this;
}

template <class Ch>
BasicString<Ch>& BasicString<Ch>::operator=(const Ch* text) {
    if (!text) {
        Empty();
    } else {
        Assign(text, MeasureLength(text));
    }
    return *this;
}

template <class Ch>
bool BasicString<Ch>::Assign(const Ch* text, int length) {
    if (!text || length <= 0) {
        Empty();
        return true;
    }
    Ch* fresh = Allocate(length);
    if (!fresh) return false;
    memcpy(fresh, text, static_cast<size_t>(length) * sizeof(Ch));
    fresh[length] = 0;
    reinterpret_cast<StringHeader*>(fresh)[-1].length = length;
    Release();
    data_ = fresh;
    return true;
}

// Makes the block this string's own with room for minCapacity units. With
// exactGrowth a new block has exactly minCapacity units.
template <class Ch>
bool BasicString<Ch>::MakeUnique(int minCapacity, bool exactGrowth) {
    StringHeader* header = Header();
    bool own = data_ != EmptyData() && (header->refs == 1 || header->refs == -1);
    if (own && header->capacity >= minCapacity) return true;
    int length = header->length;
    int capacity = minCapacity < length ? length : minCapacity;
    if (!exactGrowth && capacity < 16) capacity = 16;
    if (own && header->refs == 1) {
        size_t bytes = sizeof(StringHeader) + (static_cast<size_t>(capacity) + 1) * sizeof(Ch);
        auto* grown = static_cast<StringHeader*>(HeapReAlloc(GetProcessHeap(), 0, header, bytes));
        if (!grown) return false;
        grown->capacity = capacity;
        data_ = reinterpret_cast<Ch*>(grown + 1);
        return true;
    }
    Ch* fresh = Allocate(capacity);
    if (!fresh) return false;
    memcpy(fresh, data_, (static_cast<size_t>(length) + 1) * sizeof(Ch));
    reinterpret_cast<StringHeader*>(fresh)[-1].length = length;
    Release();
    data_ = fresh;
    return true;
}

template <class Ch>
bool BasicString<Ch>::Append(const Ch* text, int length) {
    if (!text || length <= 0) return true;
    int oldLength = Length();
    if (length > INT32_MAX - oldLength) return false;
    int newLength = oldLength + length;
    // Text from inside this string's own block is copied first: growing may move the block.
    if (text >= data_ && text <= data_ + oldLength) {
        BasicString copy(text, length);
        return copy.Length() == length && Append(copy.c_str(), length);
    }
    if (!MakeUnique(newLength, true)) return false;
    memmove(data_ + oldLength, text, static_cast<size_t>(length) * sizeof(Ch));
    data_[newLength] = 0;
    Header()->length = newLength;
    return true;
}

template <class Ch>
bool BasicString<Ch>::Append(const Ch* text) {
    return text ? Append(text, MeasureLength(text)) : true;
}

template <class Ch>
BasicString<Ch> BasicString<Ch>::Mid(int start, int count) const {
    int length = Length();
    if (start < 0) start = 0;
    if (start > length) start = length;
    if (count < 0) count = 0;
    if (count > length - start) count = length - start;
    if (start == 0 && count == length) return *this;
    return BasicString(data_ + start, count);
}

template <class Ch>
Ch* BasicString<Ch>::GetBuffer(int minCapacity) {
    if (minCapacity < 0) minCapacity = 0;
    if (!MakeUnique(minCapacity, true)) return nullptr;
    if (data_ == EmptyData()) {
        Ch* fresh = Allocate(minCapacity);
        if (!fresh) return nullptr;
        data_ = fresh;
    }
    Header()->refs = -1;
    return data_;
}

template <class Ch>
void BasicString<Ch>::ReleaseBuffer(int newLength) {
    if (data_ == EmptyData()) return;
    // A block shared with other strings (a release without GetBuffer, or a second
    // one) must not have its length or count changed under them.
    if (Header()->refs > 1 && !MakeUnique(0, true)) return;
    StringHeader* header = Header();
    if (newLength < 0) {
        newLength = 0;
        while (newLength < header->capacity && data_[newLength] != 0) ++newLength;
    }
    if (newLength > header->capacity) newLength = header->capacity;
    header->length = newLength;
    data_[newLength] = 0;
    header->refs = 1;
    if (newLength == 0) Release();
}

template <class Ch>
void BasicString<Ch>::Shrink() {
    if (data_ == EmptyData()) return;
    StringHeader* header = Header();
    if (header->refs != 1 || header->capacity == header->length) return;
    size_t bytes = sizeof(StringHeader) + (static_cast<size_t>(header->length) + 1) * sizeof(Ch);
    auto* shrunk = static_cast<StringHeader*>(HeapReAlloc(GetProcessHeap(), 0, header, bytes));
    if (!shrunk) return;
    shrunk->capacity = shrunk->length;
    data_ = reinterpret_cast<Ch*>(shrunk + 1);
}

template <class Ch>
void BasicString<Ch>::Empty() { Release(); }

template <class Ch>
int BasicString<Ch>::Compare(const Ch* other) const {
    if (!other) return IsEmpty() ? 0 : 1;
    if constexpr (sizeof(Ch) == 1) {
        return strcmp(data_, other);
    } else {
        return wcscmp(data_, other);
    }
}

template <class Ch>
bool BasicString<Ch>::operator==(const BasicString& other) const {
    return Length() == other.Length() &&
           memcmp(data_, other.data_, static_cast<size_t>(Length()) * sizeof(Ch)) == 0;
}

template class BasicString<wchar_t>;
template class BasicString<char>;

bool WideString::Load(UINT id) {
    // With a buffer size of 0 the platform hands back a pointer into the resource.
    const wchar_t* resource = nullptr;
    int length = LoadStringW(ProgramInstance(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) {
        Empty();
        return false;
    }
    return Assign(resource, length);
}

bool WideString::FormatV(const wchar_t* pattern, va_list args) {
    if (!pattern) return false;
    wchar_t page[kFormatLimitUnits];
    int written = _vsnwprintf(page, kFormatLimitUnits, pattern, args);
    if (written < 0 || written >= kFormatLimitUnits) return false;
    return Assign(page, written);
}

bool WideString::Format(const wchar_t* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    bool ok = FormatV(pattern, args);
    va_end(args);
    return ok;
}

bool WideString::FormatId(UINT patternId, ...) {
    WideString pattern;
    if (!pattern.Load(patternId)) return false;
    va_list args;
    va_start(args, patternId);
    bool ok = FormatV(pattern.c_str(), args);
    va_end(args);
    return ok;
}

}  // namespace brevitex
