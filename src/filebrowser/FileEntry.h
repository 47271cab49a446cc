// FileEntry: the record behind every item of the file list and the folder
// tree: the holding folder, the name, and what a search found about it.
#pragma once

#include <windows.h>

#include <string>

#include "common/WideString.h"

namespace brevitex {

inline constexpr DWORD kAttributeFolder = FILE_ATTRIBUTE_DIRECTORY;  // 0x10
inline constexpr DWORD kAttributeSystem = FILE_ATTRIBUTE_SYSTEM;     // 0x04
inline constexpr DWORD kAttributeInRom = 0x40;

struct FileEntry {
    WideString folder;  // as the list's or the parent's path was written
    WideString name;
    DWORD attributes = 0;
    DWORD size = 0;  // low 32 bits
    FILETIME modified{};

    FileEntry() = default;
    // The folder's text is shared with folderPath, not copied.
    FileEntry(const WideString& folderPath, const WIN32_FIND_DATAW& found);

    bool IsFolder() const { return (attributes & kAttributeFolder) != 0; }

    // name alone when folder is empty; folder + name when folder ends with
    // '\'; otherwise folder + '\' + name. Empty when memory runs out.
    WideString FullPath() const;
};

// path with '\' appended unless it already ends with one (empty stays empty).
WideString WithTrailingSlash(const WideString& path);

// Orders ignoring case, as the list's name column and the tree order do.
int CompareNoCase(const wchar_t* a, const wchar_t* b);
// A key whose byte order is CompareNoCase's order of the names; false when
// it cannot be made.
bool NameSortKey(const wchar_t* name, std::string& key);
// Equal ignoring case (names and paths).
bool EqualNoCase(const wchar_t* a, const wchar_t* b);

// Whether text starts with prefix, ignoring case.
bool StartsWithNoCase(const wchar_t* text, const wchar_t* prefix, int prefixLength);

}  // namespace brevitex
