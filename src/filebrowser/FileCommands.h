// The file browser's small file manager: cut, copy and paste of one file or
// folder through the clipboard's file-drop list (with the "Preferred
// DropEffect" other file managers read), delete after a prompt, and the
// choice of the storage card. Copying, moving and deleting are the platform
// shell's file operation, with its own confirmations and messages.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

// Values of the "Preferred DropEffect" clipboard format.
inline constexpr DWORD kDropEffectMove = 2;      // after a cut
inline constexpr DWORD kDropEffectCopyLink = 5;  // after a copy

// Size of the file-drop list's header; the path follows it.
inline constexpr DWORD kDropListHeaderBytes = 20;

// A zero-filled movable block holding the file-drop list of one path: header
// {offset 20, cursor x, cursor y, non-client 1, UTF-16 1}, the path, and two
// terminators. Null when it cannot be allocated.
HGLOBAL MakeFileDropList(const wchar_t* path, POINT cursor);

// The first path of a file-drop block, read as UTF-16 at the offset its first
// four bytes give and never past the block's end. False (path empty) when the
// block is too small, the offset lies outside it, or the path is not
// terminated inside it.
bool FirstDropPath(HGLOBAL block, WideString& path);

// Cut (kDropEffectMove) or copy (kDropEffectCopyLink): the path's file-drop
// list and the effect on the clipboard, opened with owner. False, with nothing
// changed, when the clipboard or memory cannot be had.
bool PutFileOnClipboard(HWND owner, const wchar_t* path, DWORD effect);

// True when the clipboard holds a file-drop list.
bool ClipboardHasFileDrop();

// Copies the clipboard's first file into targetFolder, or moves it after a
// cut, emptying the clipboard so a cut is pasted once. False when there was
// nothing to paste; the shell reports failures of the operation itself.
bool PasteFile(HWND owner, const wchar_t* targetFolder);

// Asks "删除选中的文件吗?" and on Yes deletes the file or folder through the
// shell. False when refused.
bool DeleteWithPrompt(HWND owner, const wchar_t* path);

// The storage card with the largest total size ("\" + its name; among equal
// sizes the one enumerated last), copied into buffer (cut to capacity). The
// buffer is left as it is when there is no card or none can be measured.
void FindStorageCard(wchar_t* buffer, UINT capacity);

}  // namespace brevitex
