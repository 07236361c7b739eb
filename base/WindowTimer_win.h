// A window timer owned like a handle: it stops when its owner lets go of it,
// so no tick arrives after the object it was meant for.
#pragma once

#include <windows.h>

namespace vantu {

// A running window timer; killed on destruction (a one-shot timer is an
// optional one, reset when it fires).
class WindowTimer {
 public:
  // Throws Error when the timer cannot be started.
  WindowTimer(HWND window, UINT_PTR id, UINT milliseconds);
  ~WindowTimer() { KillTimer(window_, id_); }
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;

 private:
  HWND window_;
  UINT_PTR id_;
};

}  // namespace vantu
