// Owners for Win32 handles: each frees its handle exactly once, so an early
// return leaks nothing. The window class is in
// base/WindowClass_win.h, the window timer in base/WindowTimer_win.h, the
// module reference in base/ModuleReference_win.h.
#pragma once

#include <windows.h>

#include <utility>

namespace vantu {

// A handle with one owner; Free runs on destruction and on reassignment.
template <class Handle, auto Free>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
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
  // Gives up ownership without freeing (the handle died on its own, or a
  // call that frees it takes it over) and returns the handle.
  Handle Release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_ = nullptr;
};

inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void FreeGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void FreeWindow(HWND window) { DestroyWindow(window); }
inline void FreeMemoryDc(HDC dc) { DeleteDC(dc); }

using KernelHandle = UniqueHandle<HANDLE, CloseKernelHandle>;  // events, threads: null when there is none
using Font = UniqueHandle<HFONT, FreeGdiObject>;
using Bitmap = UniqueHandle<HBITMAP, FreeGdiObject>;
using Window = UniqueHandle<HWND, FreeWindow>;
using MemoryDc = UniqueHandle<HDC, FreeMemoryDc>;

// Selects an object into a device context for one scope.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() { SelectObject(dc_, previous_); }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The screen's device context for one scope.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window) { BeginPaint(window_, &paint_); }
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC Dc() const { return paint_.hdc; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
};

}  // namespace vantu
