// LoadProgress: the progress bar of a long load. Once the load has run for
// half a second, a bar appears over the bottom edge of the view, spanning its
// width, and advances with the text streamed into the control; it goes when
// the load ends. While the control streams nothing but the bar is painted:
// no message reaches the view or the frame in the meantime.
#pragma once

#include <windows.h>

#include "document/EditStreams.h"

namespace brevitex {

class LoadProgress : public StreamProgress {
public:
    using TickSource = DWORD(WINAPI*)();

    // The half second counts from here.
    explicit LoadProgress(TickSource clock);
    ~LoadProgress();
    LoadProgress(const LoadProgress&) = delete;
    LoadProgress& operator=(const LoadProgress&) = delete;

    // The control being filled; the bar is placed over its bottom edge.
    void Track(HWND view) { view_ = view; }
    void Streamed(int units, int total) override;
    // The bar while it is shown, else null.
    HWND Bar() const { return bar_; }
    // Whether a load is under way on this thread (its text not yet whole).
    static bool LoadingOnThisThread();

private:
    bool CreateBar();

    TickSource clock_;
    DWORD start_;
    HWND view_ = nullptr;
    HWND bar_ = nullptr;
    bool failed_ = false;
    int shown_ = -1;  // the position last painted, in thousandths
};

}  // namespace brevitex
