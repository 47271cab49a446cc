// Windows whose destruction waits for the end of their thread. A control that
// holds a long text frees it piece by piece as it is destroyed (about a
// second for 50 MiB); when its window closes, it is parked instead: hidden,
// taken out of its parent, so the parent goes at once. At the thread's end
// the parked windows are destroyed, unless the process is ending, which
// gives back their memory all at once.
#pragma once

#include <windows.h>

namespace brevitex {

// Hides a window of this thread, tells it nothing more of its parent, and
// keeps it for ReleaseParkedWindows. False when it could not be parked (it
// is then destroyed at once).
bool ParkWindow(HWND window);
// Destroys the windows this thread parked; with processEnding, lets them go
// with the process instead. Returns how many were destroyed.
int ReleaseParkedWindows(bool processEnding);
// How many windows this thread has parked.
int ParkedWindowCount();

}  // namespace brevitex
