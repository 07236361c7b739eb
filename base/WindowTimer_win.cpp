#include "base/WindowTimer_win.h"

#include "base/Error.h"

namespace vantu {

WindowTimer::WindowTimer(HWND window, UINT_PTR id, UINT milliseconds) : window_(window), id_(id) {
  if (!SetTimer(window, id, milliseconds, nullptr)) throw Error("Timer cannot be started");
}

}  // namespace vantu
