// Owners for the Win32 handles of the dialog and the watcher: each frees its
// handle exactly once, so an early return or an exception leaks nothing.
#pragma once

#include <windows.h>

#include <utility>

namespace vantu {

// A handle with one owner; Free runs on destruction and on reassignment.
template <class Handle, auto Free>
class TUniqueHandle {
 public:
  TUniqueHandle() = default;
  explicit TUniqueHandle(Handle handle) : handle_(handle) {}
  ~TUniqueHandle() { Reset(); }
  TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void Reset() {
    if (handle_) Free(std::exchange(handle_, nullptr));
  }
  // Gives up ownership without freeing (the handle died on its own).
  void Release() { handle_ = nullptr; }

 private:
  Handle handle_ = nullptr;
};

inline void FreeGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void FreeWindow(HWND window) { DestroyWindow(window); }
inline void FreeMemoryDc(HDC dc) { DeleteDC(dc); }

using TFont = TUniqueHandle<HFONT, FreeGdiObject>;
using TBitmap = TUniqueHandle<HBITMAP, FreeGdiObject>;
using TWindow = TUniqueHandle<HWND, FreeWindow>;
using TMemoryDc = TUniqueHandle<HDC, FreeMemoryDc>;

// Selects an object into a device context for one scope.
class TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~TSelection() { SelectObject(dc_, previous_); }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The screen's device context for one scope.
class TScreenDc {
 public:
  TScreenDc() : dc_(GetDC(nullptr)) {}
  ~TScreenDc() { ReleaseDC(nullptr, dc_); }
  TScreenDc(const TScreenDc&) = delete;
  TScreenDc& operator=(const TScreenDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class TPaint {
 public:
  explicit TPaint(HWND window) : window_(window) { BeginPaint(window_, &paint_); }
  ~TPaint() { EndPaint(window_, &paint_); }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  HDC Dc() const { return paint_.hdc; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};

// A window class registered by this module. Classes registered by a DLL
// outlive it unless unregistered, and the host may load the DLL again.
class TWindowClass {
 public:
  explicit TWindowClass(const WNDCLASSEXA& windowClass);
  ~TWindowClass() { UnregisterClassA(name_, module_); }
  TWindowClass(const TWindowClass&) = delete;
  TWindowClass& operator=(const TWindowClass&) = delete;

 private:
  const char* name_;
  HINSTANCE module_;
};

// A running window timer; killed on destruction (a one-shot timer is an
// optional one, reset when it fires).
class TWindowTimer {
 public:
  TWindowTimer(HWND window, UINT_PTR id, UINT milliseconds);
  ~TWindowTimer() { KillTimer(window_, id_); }
  TWindowTimer(const TWindowTimer&) = delete;
  TWindowTimer& operator=(const TWindowTimer&) = delete;

 private:
  HWND window_;
  UINT_PTR id_;
};

}  // namespace vantu
