// What the host notices without being asked: message boxes and top-level
// windows of its thread that appear and disappear.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>

namespace vantu::host {

// A message box is a dialog whose text sits in the static control 0xFFFF.
bool IsMessageBox(HWND window);

// Thread-local CBT hook: reports every message box as it is activated and
// presses its OK button, so that an error box never blocks a test run.
class MessageBoxReporter {
 public:
  MessageBoxReporter();
  ~MessageBoxReporter();
  MessageBoxReporter(const MessageBoxReporter&) = delete;
  MessageBoxReporter& operator=(const MessageBoxReporter&) = delete;

 private:
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_;
  static std::set<HWND> reported_;
};

// Compares the thread's top-level windows with the previous look and prints
// "window shown" / "window hidden" for each change of visibility.
class WindowPoller {
 public:
  void Poll();

 private:
  struct Seen {
    std::string caption;
    bool visible;
  };
  std::map<HWND, Seen> windows_;
};

}  // namespace vantu::host
