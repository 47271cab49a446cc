// Subclassing of windows the program does not create itself (controls of
// dialogs, the windows the device layer decorates): any number of subclass
// procedures per window, each with its own data, chained in front of the
// window's own procedure.
//
// The window's procedure is replaced once by a shared dispatcher that finds
// the window's chain in a WindowTable (no window property read per message).
// Subclasses are added on top and removed in any order, also while one of
// them is running; a procedure that someone else installs over the
// dispatcher keeps working, because removing the last subclass gives the
// window its own procedure back only while the dispatcher is still in place.
// The chain ends by itself after WM_NCDESTROY. Add and remove subclasses on
// the window's own thread.
#pragma once

#include <windows.h>

namespace brevitex {

// A subclass procedure: a window procedure that also gets the id and data it
// was added with. It passes what it does not consume on with CallNextSubclass.
using SubclassProc = LRESULT (*)(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 void* data);

// Adds a subclass in front of those the window has; for a procedure and id
// already there, only its data is replaced. False when the window's procedure
// cannot be replaced or memory cannot be had.
bool AddSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id, void* data);

// Removes a subclass; false when the window does not have it.
bool RemoveSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id);

// Whether the window has the subclass; its data goes to *data when wanted.
bool FindSubclass(HWND hwnd, SubclassProc proc, UINT_PTR id, void** data = nullptr);

// From inside a subclass procedure: passes the message to the subclass added
// before it, and after the last of them to the window's own procedure.
LRESULT CallNextSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace brevitex
