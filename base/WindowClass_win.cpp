#include "base/WindowClass_win.h"

#include <string>

namespace vantu {

Expected<void, Error> WindowClass::Register(HINSTANCE module, const char* name, WNDPROC procedure,
                                            HCURSOR cursor, HBRUSH background) {
  Unregister();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = module;
  windowClass.hCursor = cursor;
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  // Left behind by an earlier load of this DLL that did not end cleanly: its
  // window procedure may point into unmapped code, so register afresh.
  const bool registered =
      RegisterClassExA(&windowClass) || (GetLastError() == ERROR_CLASS_ALREADY_EXISTS &&
                                         UnregisterClassA(name, module) && RegisterClassExA(&windowClass));
  if (!registered) return Error(std::string("Window class ") + name + " cannot be registered");
  name_ = name;
  module_ = module;
  return {};
}

void WindowClass::Unregister() {
  if (name_) UnregisterClassA(name_, module_);
  name_ = nullptr;
}

}  // namespace vantu
