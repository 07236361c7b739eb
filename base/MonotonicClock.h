// The one clock every time limit is counted on. It only moves forward:
// the wall clock may be set back or forward in the middle of a call (a time
// sync, a machine waking up), and a limit counted on it would then hold the
// caller for an hour or end at once. std::chrono::steady_clock is no such
// clock in every C++ runtime: in mingw-w64's win32 thread model it reads
// the wall clock.
#pragma once

#include <cstdint>

namespace vantu {

// Milliseconds since a fixed point in the past (GetTickCount64 on Windows,
// CLOCK_MONOTONIC elsewhere).
std::uint64_t MonotonicMs();

}  // namespace vantu
