// FileEntry: full paths and the case-blind comparisons the list and tree share.
#include "filebrowser/FileEntry.h"

namespace brevitex {

FileEntry::FileEntry(const WideString& folderPath, const WIN32_FIND_DATAW& found)
    : folder(folderPath),
      name(found.cFileName),
      attributes(found.dwFileAttributes),
      size(found.nFileSizeLow),
      modified(found.ftLastWriteTime) {}

WideString FileEntry::FullPath() const {
    if (folder.IsEmpty()) return name;
    WideString path = WithTrailingSlash(folder);
    if (!path.Append(name)) return WideString();
    return path;
}

WideString WithTrailingSlash(const WideString& path) {
    WideString result = path;
    if (!result.IsEmpty() && result[result.Length() - 1] != L'\\' && !result.Append(L"\\")) {
        return WideString();
    }
    return result;
}

namespace {

// The user's locale and one set of flags for both: keys order exactly as comparisons do.
constexpr DWORD kNoCaseFlags = NORM_IGNORECASE;

}  // namespace

int CompareNoCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringW(LOCALE_USER_DEFAULT, kNoCaseFlags, a, -1, b, -1) - CSTR_EQUAL;
}

bool NameSortKey(const wchar_t* name, std::string& key) {
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNoCaseFlags, name, -1, nullptr, 0);
    if (size <= 0) return false;
    key.resize(static_cast<size_t>(size));
    // A sort key is written as bytes; the size counts bytes.
    size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNoCaseFlags, name, -1,
                        reinterpret_cast<wchar_t*>(key.data()), size);
    if (size <= 0) return false;
    key.resize(static_cast<size_t>(size));
    return true;
}

bool EqualNoCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, int prefixLength) {
    if (prefixLength == 0) return true;
    if (lstrlenW(text) < prefixLength) return false;
    return CompareStringOrdinal(text, prefixLength, prefix, prefixLength, TRUE) == CSTR_EQUAL;
}

}  // namespace brevitex
