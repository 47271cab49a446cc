// LoadProgress: the progress bar of a long load. Once the load has run for
// half a second, a bar appears over the bottom edge of the view, spanning its
// width, and advances with the text streamed into the control; it goes when
// the load ends. While the control streams, the thread answers messages sent
// to it from other threads and paints the bar, and Esc (or the Back key)
// cancels the load; other keys pressed meanwhile are handed back to the queue
// when the load ends, in their order (dropped after a cancel), and an Esc or
// Back that can no longer cancel is dropped. The same holds while the file is
// read and decoded on a thread of its own. Nothing else reaches the view or
// the frame in the meantime.
#pragma once

#include <windows.h>

#include <vector>

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

    // The control being filled; the bar is placed over its bottom edge, and
    // a bar already shown is raised above a control put in the view's place.
    void Track(HWND view);
    void Streamed(int units, int total) override;
    bool Cancelled() const override { return cancelled_; }
    // Answers and shows the bar as while streaming until the object is
    // signalled (true) or Esc or Back cancels the wait (false, whether or not
    // the load is cancellable, as nothing has changed yet).
    bool WaitFor(HANDLE object);
    // Whether Esc and Back cancel the load (off: they are dropped).
    void SetCancellable(bool on) { cancellable_ = on; }
    // Keys taken from the queue for one window go back to another (the control that took its place).
    void Redirect(HWND from, HWND to);
    // The bar while it is shown, else null.
    HWND Bar() const { return bar_; }
    // Whether a load is under way on this thread (its text not yet whole).
    static bool LoadingOnThisThread();

private:
    bool CreateBar();
    // Answers sent messages and takes the keys from the queue, looking for Esc.
    void Listen();
    // Shows the bar at the step once the half second is over.
    void Show(int step, DWORD now);

    TickSource clock_;
    DWORD start_;
    HWND view_ = nullptr;
    HWND bar_ = nullptr;
    bool failed_ = false;
    int shown_ = -1;  // the position last painted, in thousandths
    bool cancelled_ = false;
    bool cancellable_ = false;
    DWORD listened_ = 0;
    std::vector<MSG> keys_;  // taken from the queue, to go back when the load ends
};

}  // namespace brevitex
