// The frame's recovery copy: when it is written and when it goes.
#include "shell/DocumentRecovery.h"

#include <algorithm>

#include "document/EditView.h"
#include "document/LoadProgress.h"
#include "document/RecoveryFile.h"

namespace brevitex {

namespace {

// The pause after the last change before a copy is written.
constexpr DWORD kPauseMs = 2000;
// While changes go on without a pause, a copy is written at the latest this
// long after the first of them.
constexpr DWORD kLongestWaitMs = 30000;
// Between two copies at least this many times the last copy's cost passes,
// so that writing copies takes at most a few percent of the time.
constexpr DWORD kCostFactor = 30;

}  // namespace

void DocumentRecovery::Arm(HWND frame, DWORD delayMs) { SetTimer(frame, kTimerId, delayMs, nullptr); }

void DocumentRecovery::Changed(HWND frame) {
    // Called for every letter typed: only the time is noted, the timer is set
    // once and looks again when it fires.
    lastChange_ = GetTickCount();
    if (pending_) return;
    pending_ = true;
    firstChange_ = lastChange_;
    Arm(frame, kPauseMs);
}

void DocumentRecovery::OnTimer(HWND frame, EditView& view) {
    KillTimer(frame, kTimerId);
    if (!pending_) return;
    HWND control = view.Handle();
    if (!control || !SendMessageW(control, EM_GETMODIFY, 0, 0)) {
        Discard(frame);
        return;
    }
    const DWORD now = GetTickCount();
    // The user has not paused yet, and changes have not gone on for long.
    if (now - lastChange_ < kPauseMs && now - firstChange_ < kLongestWaitMs) {
        Arm(frame, kPauseMs - (now - lastChange_));
        return;
    }
    const DWORD spacing = (std::max)(kPauseMs, writeCost_ * kCostFactor);
    if (LoadProgress::LoadingOnThisThread() || (lastWrite_ && now - lastWrite_ < spacing)) {
        Arm(frame, LoadProgress::LoadingOnThisThread() ? kPauseMs : spacing - (now - lastWrite_));
        return;
    }
    if (Write(view)) {
        pending_ = false;
    } else {
        Arm(frame, (std::max)(spacing, kLongestWaitMs));
    }
}

bool DocumentRecovery::Write(EditView& view) {
    const DWORD start = GetTickCount();
    WideString folder;
    if (!RecoveryFolder(&folder, true)) return false;
    if (file_.IsEmpty()) file_ = NewRecoveryFileName(folder);
    RecoveryRecord record;
    record.processId = GetCurrentProcessId();
    record.processStart = CurrentProcessStart();
    const bool written = !file_.IsEmpty() && view.CaptureRecovery(&record) && WriteRecoveryFile(file_, record);
    lastWrite_ = GetTickCount();
    writeCost_ = lastWrite_ - start;
    return written;
}

void DocumentRecovery::Discard(HWND frame) {
    if (frame) KillTimer(frame, kTimerId);
    pending_ = false;
    if (file_.IsEmpty()) return;
    DeleteFileW(file_);
    file_.Empty();
}

bool DocumentRecovery::Restore(EditView& view, const wchar_t* file) {
    RecoveryRecord record;
    if (!ReadRecoveryFile(file, &record) || !view.RestoreRecovery(record)) return false;
    // The text is safe in this window's own copy before the old one goes.
    if (Write(view)) DeleteFileW(file);
    pending_ = false;
    return true;
}

}  // namespace brevitex
