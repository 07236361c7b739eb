#include <windows.h>

#include <vector>

#include "base/ErrorBox.h"
#include "base/ExecutablePath.h"

namespace vantu {
namespace {

// While the box is up, the thread's visible, enabled top-level windows (the
// host's too) take no input; afterwards they are enabled again and the
// window and control that were active get activation and focus back. A box
// without an owner would otherwise leave the host clickable behind it and
// the focus lost after it.
class ThreadWindowsDisabled {
 public:
  ThreadWindowsDisabled() : active_(GetActiveWindow()), focus_(GetFocus()) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(&disabled_));
    for (HWND window : disabled_) EnableWindow(window, FALSE);
  }

  ~ThreadWindowsDisabled() {
    for (HWND window : disabled_) {
      if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    if (active_ && IsWindow(active_)) SetActiveWindow(active_);
    if (focus_ && IsWindow(focus_)) SetFocus(focus_);
  }

  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM windows) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
      reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    }
    return TRUE;
  }

  HWND active_;
  HWND focus_;
  std::vector<HWND> disabled_;
};

}  // namespace

void ShowErrorBox(const std::string& message) {
  const std::string text = ErrorBoxText(message);
  const std::string caption = ErrorBoxCaption(ExecutablePath());
  ThreadWindowsDisabled disabled;
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace vantu
