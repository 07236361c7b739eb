// A window timer owned like a handle: it stops when its owner lets go of it,
// so no tick arrives after the object it was meant for.
#pragma once

#include <windows.h>

#include "base/Error.h"
#include "base/Expected.h"

namespace vantu {

// Killed on Stop and on destruction; a one-shot timer is stopped when it fires.
class WindowTimer {
 public:
  WindowTimer() = default;
  ~WindowTimer() { Stop(); }
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;

  // Runs the timer id of window every milliseconds from now on, in place of
  // whatever this one ran before.
  Expected<void, Error> Start(HWND window, UINT_PTR id, UINT milliseconds);
  void Stop();
  bool Running() const { return window_ != nullptr; }

 private:
  HWND window_ = nullptr;  // null while it is not running
  UINT_PTR id_ = 0;
};

}  // namespace vantu
