#include "base/WindowTimer_win.h"

namespace vantu {

Expected<void, Error> WindowTimer::Start(HWND window, UINT_PTR id, UINT milliseconds) {
  Stop();
  if (!SetTimer(window, id, milliseconds, nullptr)) return Error("Timer cannot be started");
  window_ = window;
  id_ = id;
  return {};
}

void WindowTimer::Stop() {
  if (window_) KillTimer(window_, id_);
  window_ = nullptr;
}

}  // namespace vantu
