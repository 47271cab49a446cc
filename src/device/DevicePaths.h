// Paths as the device layer's file operations use them: the extended-length
// form ("\\?\Z:\..."), which reaches any length and keeps trailing dots and
// blanks, and the checks that tell whether a name reaches exactly one entry
// and whether an entry is a symbolic link.
#pragma once

#include <windows.h>

#include <string>

namespace brevitex {

// The extended-length form of a device path ("\a\b" on the current drive),
// a drive path ("C:\a") or a UNC path, with "." and ".." resolved. 0 on
// success; ERROR_INVALID_NAME for an empty or relative path or a name with
// wildcards; ERROR_FILENAME_EXCED_RANGE when the path or one of its names is
// longer than the file system takes.
DWORD ExtendedPath(const wchar_t* path, std::wstring* extended);

// The path as the user knows it: the extended prefix taken off, and the
// current drive too, so that a device path reads as "\a\b"; with a
// maxLength, a longer path loses its middle to an ellipsis.
std::wstring DisplayPath(const std::wstring& extended, size_t maxLength = 0);

// The last name of a path and the path of its folder (without a trailing '\',
// except for a root such as "\\?\Z:\").
std::wstring LastName(const std::wstring& path);
std::wstring ParentPath(const std::wstring& path);
std::wstring JoinName(const std::wstring& folder, const std::wstring& name);

// Whether a name fits the file system unchanged: at most 255 units (on a Unix
// side, 255 bytes of UTF-8), no wildcard or separator and, for a name the
// user typed (which the platform would store without them), no trailing dot
// or blank. 0, ERROR_INVALID_NAME or ERROR_FILENAME_EXCED_RANGE.
DWORD CheckEntryName(const std::wstring& name, bool typed);

// The entry a path names, as it is on disk.
enum class EntryKind { Missing, File, Folder, Link, Ambiguous };

struct EntryState {
    EntryKind kind = EntryKind::Missing;
    DWORD attributes = 0;
    ULONGLONG size = 0;
    std::wstring diskName;  // the name as the folder lists it
};

// Looks at one entry without going through it: a symbolic link (to a file or
// a folder) is EntryKind::Link; a name that reaches more than one entry (names
// the platform shows alike) is EntryKind::Ambiguous. 0, or the error that
// kept it from looking.
DWORD InspectEntry(const std::wstring& path, EntryState* state);

// The same for an entry found while listing a folder whose final path
// (GetFinalPathNameByHandle) is folderFinal; false when it cannot tell.
bool ClassifyListedEntry(const std::wstring& folder, const std::wstring& folderFinal, const WIN32_FIND_DATAW& data,
                         EntryState* state);

// The final path of an existing entry (links resolved); empty when it cannot be opened.
std::wstring FinalPathOf(const std::wstring& path);

// Case-insensitive equality and prefix tests of paths.
bool SamePath(const std::wstring& a, const std::wstring& b);
bool IsInsideFolder(const std::wstring& path, const std::wstring& folder);

}  // namespace brevitex
