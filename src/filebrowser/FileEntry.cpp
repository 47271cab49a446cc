// FileEntry: full paths and the case-blind comparisons the list and tree share.
#include "filebrowser/FileEntry.h"

namespace brevitex {

FileEntry::FileEntry(const wchar_t* folderPath, const WIN32_FIND_DATAW& found)
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

int CompareNoCase(const wchar_t* a, const wchar_t* b) { return lstrcmpiW(a, b); }

bool EqualNoCase(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, int prefixLength) {
    if (prefixLength == 0) return true;
    if (lstrlenW(text) < prefixLength) return false;
    return CompareStringOrdinal(text, prefixLength, prefix, prefixLength, TRUE) == CSTR_EQUAL;
}

}  // namespace brevitex
