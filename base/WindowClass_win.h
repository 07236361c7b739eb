// The plumbing between a window procedure and the object behind a window:
// the class it is registered with and the object it belongs to.
#pragma once

#include <windows.h>

#include "base/Error.h"
#include "base/Expected.h"

namespace vantu {

// A window class registered by this module. Classes registered by a DLL
// outlive it unless unregistered, and the host may load the DLL again.
class WindowClass {
 public:
  WindowClass() = default;
  ~WindowClass() { Unregister(); }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  // Registers the class; unregistered again on destruction.
  Expected<void, Error> Register(HINSTANCE module, const char* name, WNDPROC procedure, HCURSOR cursor = nullptr,
                                 HBRUSH background = nullptr);

 private:
  void Unregister();

  const char* name_ = nullptr;  // null while nothing is registered
  HINSTANCE module_ = nullptr;
};

// The object of type Owner behind a window: the creation parameter of
// CreateWindowExA, stored with the window at WM_NCCREATE and forgotten at
// WM_NCDESTROY. Null for the messages before WM_NCCREATE.
template <class Owner>
Owner* AttachThis(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  }
  auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  return owner;
}

}  // namespace vantu
