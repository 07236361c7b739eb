// A time limit that several waits share: each is given what is left of it.
// Counted on MonotonicMs, so that setting the wall clock neither stretches
// it nor ends it early. It only measures; what passing it means is up to
// the caller.
#pragma once

#include <cstdint>

#include "base/MonotonicClock.h"

namespace vantu {

inline constexpr unsigned kForever = ~0u;  // a limit that never passes

class Deadline {
 public:
  // ms from now; kForever: none.
  explicit Deadline(unsigned ms) : endMs_(MonotonicMs() + (ms == kForever ? 0 : ms)), unlimited_(ms == kForever) {}

  // 0 once it has passed, kForever when there is none.
  unsigned LeftMs() const {
    if (unlimited_) return kForever;
    const std::uint64_t now = MonotonicMs();
    if (now >= endMs_) return 0;
    // Below kForever, since the limit it started with was.
    return static_cast<unsigned>(endMs_ - now);
  }
  bool Passed() const { return LeftMs() == 0; }

 private:
  std::uint64_t endMs_;
  bool unlimited_;
};

}  // namespace vantu
