#include "base/MonotonicClock.h"

#include <windows.h>

namespace vantu {

std::uint64_t MonotonicMs() { return GetTickCount64(); }

}  // namespace vantu
