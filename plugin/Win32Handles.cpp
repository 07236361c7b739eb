#include "plugin/Win32Handles.h"

#include <string>

#include "plugin/Error.h"

namespace vantu {

TWindowClass::TWindowClass(const WNDCLASSEXA& windowClass)
    : name_(windowClass.lpszClassName), module_(windowClass.hInstance) {
  if (RegisterClassExA(&windowClass)) return;
  // Left behind by an earlier load of this DLL that did not end cleanly: its
  // window procedure may point into unmapped code, so register afresh.
  if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS && UnregisterClassA(name_, module_) &&
      RegisterClassExA(&windowClass)) {
    return;
  }
  throw EError(std::string("Window class ") + name_ + " cannot be registered");
}

TWindowTimer::TWindowTimer(HWND window, UINT_PTR id, UINT milliseconds) : window_(window), id_(id) {
  if (!SetTimer(window, id, milliseconds, nullptr)) throw EError("Timer cannot be started");
}

}  // namespace vantu
