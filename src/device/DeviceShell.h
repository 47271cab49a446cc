// The device layer: the handheld shell services the program calls by role,
// made real on a desktop (Wine or Windows). Every platform difference lives
// behind these functions; the callers never test for the platform themselves.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

namespace brevitex {

// ---- Platform type ----------------------------------------------------------

// The platform-type text ("PocketPC", "SmartPhone"). Asks the real platform
// first; where that query fails (desktop Windows, Wine) the environment
// variable BREVITEX_PLATFORM answers, "PocketPC" when unset.
bool DevicePlatformType(wchar_t* buffer, UINT capacity);

// True when the platform type is "SmartPhone" (any case); asked once and
// cached for the process.
bool IsSmartphonePlatform();
// Forgets the cached answer so the next call asks again (tests switch forms).
void ResetSmartphonePlatformCache();

// ---- Personal documents folder --------------------------------------------

// The user's documents folder as a device path ("\..."): BREVITEX_DOCUMENTS
// when set (a device path); under Wine the Documents folder of the Unix home
// when it exists, else the home itself; on Windows the shell's documents
// folder on the current drive; "\" when none of these can be found. False
// only when the buffer is too small.
bool DevicePersonalFolder(wchar_t* buffer, UINT capacity);

// ---- Storage cards and free space -------------------------------------------

// The storage cards, enumerated like a folder search: each card is a folder
// under the device root, its path relative to the root in cFileName (e.g.
// "media\sdcard") with FILE_ATTRIBUTE_DIRECTORY set. On the desktop the cards
// are the existing folders named in BREVITEX_STORAGE_CARDS (device paths
// separated by ';'). First returns INVALID_HANDLE_VALUE when there is no card;
// a search that was started is closed with DeviceFindCloseStorageCard.
HANDLE DeviceFindFirstStorageCard(WIN32_FIND_DATAW* data);
bool DeviceFindNextStorageCard(HANDLE search, WIN32_FIND_DATAW* data);
bool DeviceFindCloseStorageCard(HANDLE search);

struct DiskSpace {
    ULARGE_INTEGER freeToCaller;
    ULARGE_INTEGER total;
    ULARGE_INTEGER totalFree;
};

// The space of the volume that holds a folder; false when it cannot be read.
bool DeviceGetDiskFreeSpace(const wchar_t* folder, DiskSpace* space);

// A process-wide hook that answers every free-space query instead of the
// platform (tests): its result is the query's.
using DiskSpaceHook = bool (*)(const wchar_t* folder, DiskSpace* space, void* context);
void SetDiskSpaceHook(DiskSpaceHook hook, void* context);

// ---- Shell file operation -----------------------------------------------------

// Copies, moves or deletes files and folders with the device's own
// confirmations, progress and error messages: the record is the platform's
// SHFILEOPSTRUCTW (operation FO_MOVE 1, FO_COPY 2, FO_DELETE 3; pFrom and pTo
// are lists of paths ended by an empty entry, pTo naming each destination in
// full). The flags FOF_NOCONFIRMATION (every question answered Yes),
// FOF_NOERRORUI (failures not told) and FOF_SILENT (no progress window) are
// honoured. It never goes through a symbolic link: a link is deleted, moved
// or copied as a link (or skipped with a word), and a name that does not reach
// exactly one entry is refused. Copies are written whole under a temporary
// name first; a move across volumes deletes the source only after its copy is
// complete. Any path length the file system takes is handled. The result is 0
// when everything was done, ERROR_CANCELLED when the user stopped it or
// declined a question (fAnyOperationsAborted is then set), otherwise the
// failure's error code, already told to the user.
int DeviceFileOperation(SHFILEOPSTRUCTW* operation);

// Renames one entry within its folder (newName is a name, not a path) with
// the same care: links renamed as links, a case-only change made on disk, and
// a name the file system would store differently (cut to its length limit,
// trailing dots or blanks dropped) refused with ERROR_INVALID_NAME or
// ERROR_FILENAME_EXCED_RANGE before anything changes. Shows nothing; 0 on
// success, otherwise an error code.
DWORD DeviceRenameEntry(const wchar_t* path, const wchar_t* newName);

// The text of a failure's reason for the user ("拒绝访问..."), from the resources.
bool DeviceFailureReason(DWORD error, wchar_t* buffer, UINT capacity);

// A process-wide hook that sees each step of a running file operation
// (tests): the item being worked on, the steps done and the total (0 while
// not known). Returning false cancels the operation as the progress window's
// Cancel button does.
using FileProgressHook = bool (*)(const wchar_t* item, int done, int total, void* context);
void SetFileProgressHook(FileProgressHook hook, void* context);

// A process-wide hook that sees each file operation before it runs (tests).
// It may change the record (tests add FOF_NOCONFIRMATION to run the real
// operation unattended) and returns true when it answered the call itself,
// with *result as the call's result; false lets the operation run.
using FileOperationHook = bool (*)(SHFILEOPSTRUCTW* operation, int* result, void* context);
void SetFileOperationHook(FileOperationHook hook, void* context);

// ---- Outbox of the phone libraries ----------------------------------------

// The full path of a file in the folder where the device's short-message and
// phone libraries record what they send: BREVITEX_OUTBOX when set, else the
// personal documents folder. False when the buffer is too small.
bool DeviceOutboxFile(const wchar_t* fileName, wchar_t* buffer, UINT capacity);

// Appends one record to an outbox file as a UTF-8 line: the local time
// ("YYYY-MM-DD hh:mm:ss") and the fields, separated by tabs. Backslash, tab,
// CR and LF inside a field are written as \\, \t, \r and \n; every other
// control (C0, DEL, C1, NUL included), U+2028, U+2029 and a lone surrogate as
// \uXXXX (four upper-case hex digits), so every record stays one plain line.
// lengths, when given, holds each field's length in units (-1: up to its
// terminator). False, with the last error set, when it was not written whole.
bool DeviceAppendOutboxRecord(const wchar_t* fileName, const wchar_t* const* fields, int count,
                              const int* lengths = nullptr);

// ---- Message boxes ----------------------------------------------------------

// Every message box of the program goes through here.
int DeviceMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// A button set of the device's own beyond the platform's: Yes, Yes to all, No
// and Cancel (the default button chosen with MB_DEFBUTTON1 to 4). "Yes to all"
// answers kIdYesToAll.
inline constexpr UINT kMessageBoxYesToAllNoCancel = 0x0000000E;
inline constexpr int kIdYesToAll = 0x100;

// A process-wide hook that answers message boxes instead of showing them
// (tests). Returning 0 from the hook shows the real box.
using MessageBoxHook = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type,
                               void* context);
void SetMessageBoxHook(MessageBoxHook hook, void* context);

// ---- Device screen ----------------------------------------------------------

// The rectangle on the desktop that stands for the handheld's screen (480 x 640
// unless BREVITEX_SCREEN=WxH says otherwise), at the top-left of the primary
// work area.
RECT DeviceScreenRect();

// Centres a window over its owner (or the device screen), within the device
// screen, and shrinks it to the screen if it is larger.
void DevicePlaceOverOwner(HWND window, HWND owner);

// Height of the menu-bar strip at the bottom of the device screen.
int DeviceMenuBarHeight();

// The device screen without the menu-bar strip: where full-screen windows and
// top-level windows created with CW_USEDEFAULT are placed.
RECT DeviceWorkArea();

// ---- Threads ----------------------------------------------------------------

// Prepares the calling UI thread for the device services (window placement on
// the device screen, key routing) and has DialogBase create every dialog
// through DeviceDialogBoxParam and DeviceCreateDialogParam; DeviceDetachThread
// undoes the thread's part. Frame threads
// and test threads that create the program's windows call both.
bool DeviceAttachThread();
void DeviceDetachThread();

// ---- Menu bar ---------------------------------------------------------------

struct MenuBarInfo {
    DWORD size;            // sizeof(MenuBarInfo)
    HWND parent;
    DWORD flags;           // kMenuBarIdIsMenu, or 0 for a menu-bar resource
    UINT resourceId;
    HINSTANCE instance;
    UINT bitmapId;         // 0
    UINT imageCount;       // 0
    HWND menuBar;          // out
    COLORREF background;   // 0
};
// 36 bytes on the device, whose pointers are 32-bit; 64-bit pointers widen it.
static_assert(sizeof(MenuBarInfo) == (sizeof(void*) == 4 ? 36 : 56));

inline constexpr DWORD kMenuBarIdIsMenu = 0x10;
inline constexpr UINT kMenuBarGetMenu = WM_USER + 402;      // returns the menu handle
// wParam key; lParam low word the options to set, high word the options to
// change (1: no default action, 2: notify). With kOverrideKeyAllEvents the key
// no longer reaches the focused control: the parent gets WM_HOTKEY instead,
// wParam the key, lParam MAKELPARAM(0, key) on press and
// MAKELPARAM(kHotKeyReleased, key) on release.
inline constexpr UINT kMenuBarOverrideKey = WM_USER + 403;
inline constexpr LPARAM kOverrideKeyAllEvents = 0x00030003;
inline constexpr UINT kHotKeyReleased = 0x1000;             // low word of WM_HOTKEY lParam on release

inline constexpr UINT kBackKey = VK_ESCAPE;       // 0x1B
inline constexpr UINT kVolumeUpKey = VK_F6;       // 0x75
inline constexpr UINT kVolumeDownKey = VK_F7;     // 0x76

// Creates the soft-key bar: an owned popup at the bottom of the device screen,
// destroyed with its parent. Its menu has at most two top-level items, the left
// and the right soft key (F1 and F2 press them while the parent or one of its
// children has the focus). A popup item opens above its key, owned by the
// parent (WM_INITMENUPOPUP and WM_COMMAND go to the parent); a plain command
// item posts WM_COMMAND with its id to the parent.
//
// With kMenuBarIdIsMenu the resource id names a MENU resource, whose top-level
// items are the soft keys. With flags 0 it names a menu-bar resource: RCDATA of
// 16-bit little-endian words
//     menu id, button count, then per button seven words:
//     image index, command id, state, style, string id, reserved, sub-menu index
// where the string id names the key's text in the string table and a sub-menu
// index other than 0xFFFF makes the key open that popup of MENU <menu id>.
// Only the first two buttons become soft keys; image, state and style are not used.
bool DeviceCreateMenuBar(MenuBarInfo* info);

// ---- Dialog initialisation and navigation bar -------------------------------

struct DialogInitInfo {
    DWORD mask;   // 1: flags are valid
    HWND dialog;
    DWORD flags;  // kDialogInitFullScreen
};
static_assert(sizeof(DialogInitInfo) == (sizeof(void*) == 4 ? 12 : 24));

inline constexpr DWORD kDialogInitFullScreen = 13;  // done button, full screen, input panel down

// Sizes the dialog to the device screen above the menu bar (it receives WM_SIZE)
// and lowers the input panel.
bool DeviceInitDialog(DialogInitInfo* info);
bool DeviceSetNavBarText(HWND dialog, const wchar_t* text);

// Extended style of a dialog template asking for an OK button in its caption.
inline constexpr DWORD kCaptionOkStyle = 0x80000000;

// Dialog creation for every dialog of the program. They load the template,
// take kCaptionOkStyle off (desktop Windows has no such style) and give such a
// dialog an OK button in its caption that sends WM_COMMAND with IDOK (1), as
// does a dialog initialised with the done button. Otherwise they behave as
// DialogBoxParamW and CreateDialogParamW.
INT_PTR DeviceDialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND owner,
                             DLGPROC proc, LPARAM param);
HWND DeviceCreateDialogParam(HINSTANCE instance, const wchar_t* templateName, HWND owner,
                             DLGPROC proc, LPARAM param);

// The caption OK button's rectangle in screen coordinates; false when the
// dialog has none. Hit-testing it gives kCaptionOkHitTest.
bool DeviceCaptionOkRect(HWND dialog, RECT* rect);
inline constexpr LRESULT kCaptionOkHitTest = HTOBJECT;

// ---- Input panel ------------------------------------------------------------

inline constexpr int kSipRaise = 0;
inline constexpr int kSipLower = 1;

struct SipInfo {
    bool shown;
    RECT visibleDesktop;  // the device's work area not covered by the panel
    RECT panel;           // the panel strip
};

// Raises or lowers the emulated panel for the whole process. A change is
// announced as WM_SETTINGCHANGE with wParam SPI_SETSIPINFO (224) to the
// program's top-level windows: the calling thread's before this returns, the
// other threads' soon after.
bool DeviceSipPreference(HWND window, int state);
bool DeviceSipGetInfo(SipInfo* info);
// Raises the shown input panel above a window just shown over it (the
// desktop stacks a newly shown window above every other, topmost or not).
void DeviceKeepInputPanelOnTop();

// ---- Tap and hold -----------------------------------------------------------

struct GestureInfo {
    DWORD size;    // 20 on the device
    HWND window;
    POINT point;   // client coordinates of the tap
    DWORD flags;   // kGestureReturnResult
};
static_assert(sizeof(GestureInfo) == (sizeof(void*) == 4 ? 20 : 32));

inline constexpr DWORD kGestureReturnResult = 1;

// Waits while the stylus stays down on the spot, up to half a second, without
// removing anything from the queue. Nonzero when the tap turned into a
// tap-and-hold: WM_CONTEXTMENU (the window, the screen point) is then posted to
// the window. Zero when it was released or moved first.
DWORD DeviceRecognizeGesture(GestureInfo* info);

// ---- Activation and setting change ------------------------------------------

struct ActivateInfo {
    DWORD size;  // 12
    DWORD state[2];
};

bool DeviceHandleActivate(HWND window, WPARAM wParam, LPARAM lParam, ActivateInfo* info);
LRESULT DeviceHandleSettingChange(HWND window, WPARAM wParam, LPARAM lParam, ActivateInfo* info);

// ---- Back key ---------------------------------------------------------------

// Hands a Back key (from WM_HOTKEY) to the focused edit box, which deletes the
// character before the caret.
void DeviceSendBackToFocusWindow(UINT message, WPARAM wParam, LPARAM lParam);

// ---- File change notifications ----------------------------------------------

// Posted to a registered window for each change in its folder; lParam is a
// FileChangeNotify the receiver hands back with DeviceChangeNotifyFree.
inline constexpr UINT WM_FILECHANGEINFO = 0x8101;

// Events (a registration's mask is an OR of them).
inline constexpr LONG kChangeRenameItem = 0x1;
inline constexpr LONG kChangeCreate = 0x2;
inline constexpr LONG kChangeDelete = 0x4;
inline constexpr LONG kChangeMakeFolder = 0x8;
inline constexpr LONG kChangeRemoveFolder = 0x10;
inline constexpr LONG kChangeUpdateFolder = 0x1000;
inline constexpr LONG kChangeUpdateItem = 0x2000;
inline constexpr LONG kChangeUpdateImage = 0x8000;
inline constexpr LONG kChangeRenameFolder = 0x20000;

// FileChangeInfo::flags: item1 and item2 are paths.
inline constexpr ULONG kChangeItemsArePaths = 1;

struct FileChangeInfo {
    DWORD size;             // sizeof(FileChangeInfo)
    LONG event;             // one kChange... event
    ULONG flags;            // kChangeItemsArePaths
    const wchar_t* item1;   // the path changed (the old path of a rename)
    const wchar_t* item2;   // the new path of a rename, else null
    DWORD attributes;       // of the item as it is now (0 when it is gone)
    FILETIME modified;      // last-write time, UTC
    ULONG fileSize;         // low 32 bits of the size
};

struct FileChangeNotify {
    DWORD refCount;
    FileChangeInfo info;
};

// An opaque registration.
using ChangeWatch = struct ChangeWatchRecord*;

// Watches one folder (and its subfolders when recursive) for the events of
// eventMask; each change is posted to window as WM_FILECHANGEINFO with its
// paths built from folder as given. A change that cannot be described exactly
// (the watcher's buffer overflowed, a deletion of unknown kind) arrives as
// kChangeUpdateFolder for folder, so no change is lost. Null when the folder
// cannot be watched.
ChangeWatch DeviceChangeNotifyRegister(HWND window, const wchar_t* folder, LONG eventMask, bool recursive);

// Ends a registration. Called on the window's thread, it also takes that
// registration's notifications still waiting in the window's queue out and
// frees them: once it returns none reaches the window. Notifications of a
// window destroyed without deregistering are freed by the service.
bool DeviceChangeNotifyDeregister(ChangeWatch watch);

// Releases a delivered notification; unknown or already released blocks are ignored.
void DeviceChangeNotifyFree(FileChangeNotify* notify);

// Notifications posted and not yet freed, in the whole process (tests).
int DeviceChangeNotifyOutstanding();

// The size in bytes of the change buffer of registrations made from now on
// (rounded up to whole DWORDs); 0 restores the default of 64 KiB. Tests make
// it small so that changes overflow it.
void SetChangeNotifyBufferBytes(DWORD bytes);

// ---- System icons and file types --------------------------------------------

// The platform's shared system icon list (small or large icons); owned by the
// system, never destroyed by the caller.
HIMAGELIST DeviceSystemImageList(bool large);

// The small system icon index of a file or folder; 0 when unknown. With
// attributes other than INVALID_FILE_ATTRIBUTES the icon follows from them and
// the path's extension alone, without touching the file: the icon of its kind,
// not one taken from the file itself (a program's own, say).
int DeviceFileIconIndex(const wchar_t* path, DWORD attributes = INVALID_FILE_ATTRIBUTES);

// The shell's type name of a file or folder ("文本文档"), cut to the buffer;
// false (buffer empty) when there is none. With attributes other than
// INVALID_FILE_ATTRIBUTES the name follows from them and the path's extension
// alone, without touching the file (which may be gone).
bool DeviceFileTypeName(const wchar_t* path, DWORD attributes, wchar_t* buffer, UINT capacity);

}  // namespace brevitex
