// The host's main window: it answers the plug-in's queries from the entry the
// script last played, and its message loop runs only during a script's wait.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "Watchers.h"
#include "base/WindowClass_win.h"

namespace vantu::host {

class HostWindow {
 public:
  explicit HostWindow(HINSTANCE instance);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Handle() const { return window_; }

  void Play(const std::string& file, const std::string& title);
  void SetEntry(const std::string& file, const std::string& title);
  void SetState(int state) { state_ = state; }
  void SetNullText(bool on) { nullText_ = on; }
  void SetQuiet(bool on) { quiet_ = on; }
  // Timing on: every timer message dispatched to a window not the host's
  // (the plug-in's timers) is timed and printed as "timing tick us=<n>".
  void SetTiming(bool on) { timing_ = on; }
  // Sends the playback-state query to the host's own window count times and
  // prints the total, the baseline the plug-in's timings are compared with.
  void RoundTrips(int count);

  // Runs the GetMessage loop for that long.
  void Wait(unsigned milliseconds);
  void PollWindows() { poller_.Poll(); }

 private:
  struct Entry {
    std::string file;
    std::string title;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnQuery(WPARAM argument, LPARAM query);
  void OnTimer(UINT_PTR id);

  std::deque<Entry> entries_{Entry{}};  // by playlist index; a deque keeps the texts' addresses
  int state_ = 0;
  bool nullText_ = false;
  bool quiet_ = false;
  bool timing_ = false;
  bool waiting_ = false;
  WindowPoller poller_;
  WindowClass windowClass_;
  HWND window_ = nullptr;
};

}  // namespace vantu::host
