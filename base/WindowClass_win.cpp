#include "base/WindowClass_win.h"

#include <string>

#include "base/Error.h"

namespace vantu {

WindowClass::WindowClass(HINSTANCE module, const char* name, WNDPROC procedure, HCURSOR cursor,
                         HBRUSH background)
    : name_(name), module_(module) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = module;
  windowClass.hCursor = cursor;
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (RegisterClassExA(&windowClass)) return;
  // Left behind by an earlier load of this DLL that did not end cleanly: its
  // window procedure may point into unmapped code, so register afresh.
  if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS && UnregisterClassA(name_, module_) &&
      RegisterClassExA(&windowClass)) {
    return;
  }
  throw Error(std::string("Window class ") + name_ + " cannot be registered");
}

}  // namespace vantu
