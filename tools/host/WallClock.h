// Moves the wall clock that one loaded module reads, and nothing else's:
// the module's imports of the system's wall-clock functions (the kernel's
// FILETIME readers, the C runtime's time, and GetProcAddress, through which
// a module may find them) are pointed at stand-ins that add an offset. Tests use it to set the time back or forward
// in the middle of the plug-in's calls, as a time sync or a machine waking
// up does, without touching the clock of Wine or of the machine.
#pragma once

#include <windows.h>

#include "Later.h"

namespace vantu::host {

class WallClockShift {
 public:
  WallClockShift() = default;  // a shift still to come is waited for when it goes
  WallClockShift(const WallClockShift&) = delete;
  WallClockShift& operator=(const WallClockShift&) = delete;

  // Points module's wall-clock imports at the stand-ins and moves their
  // clock by offsetMs once afterMs have passed (on a thread of its own: the
  // script's next command may hold this one). Returns how many import slots
  // lead to the stand-ins now.
  int Apply(HMODULE module, long long offsetMs, unsigned afterMs);

 private:
  Later later_;
};

}  // namespace vantu::host
