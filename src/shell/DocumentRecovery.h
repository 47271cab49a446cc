// DocumentRecovery: a frame's recovery copy of its modified document. The
// frame reports each change; once the user pauses the copy is written (later
// the longer a write takes, so a long text does not slow the typing), and it
// goes when the document is saved, discarded or closed. A copy left by a
// process that ended is restored into a new window as a modified document.
#pragma once

#include <windows.h>

#include "common/WideString.h"

namespace brevitex {

class EditView;

class DocumentRecovery {
public:
    static constexpr UINT_PTR kTimerId = 0xB7C1;

    DocumentRecovery() = default;
    ~DocumentRecovery() = default;
    DocumentRecovery(const DocumentRecovery&) = delete;
    DocumentRecovery& operator=(const DocumentRecovery&) = delete;

    // The document changed: a copy follows once the user pauses.
    void Changed(HWND frame);
    // The frame's timer: writes the copy when the document is still
    // modified and no load is under way, or waits longer.
    void OnTimer(HWND frame, EditView& view);
    // The document is saved or discarded, or the window closes: no copy is kept.
    void Discard(HWND frame);
    // Restores a copy a process that ended left; this window keeps a copy
    // of its own from now on and the old one goes. False for a copy that
    // cannot be read or taken (it is left where it is).
    bool Restore(EditView& view, const wchar_t* file);

private:
    bool Write(EditView& view);
    void Arm(HWND frame, DWORD delayMs);

    WideString file_;       // this window's copy, once one was written
    DWORD firstChange_ = 0;  // when the changes not yet in a copy began
    DWORD lastChange_ = 0;   // the latest of them
    DWORD lastWrite_ = 0;    // when the last copy was written
    DWORD writeCost_ = 0;    // how long the last copy took, in ms
    bool pending_ = false;
};

}  // namespace brevitex
