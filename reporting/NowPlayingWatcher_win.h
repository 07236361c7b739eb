// The now-playing watcher: a poll timer every 5 s that reports each new song,
// and a 60 s one-shot cooldown after each report. Created and destroyed on
// the host's UI thread; its timers live on a message-only window, so nothing
// appears on screen and no tick runs after destruction.
#pragma once

#include <windows.h>

#include <memory>

#include "base/Error.h"
#include "base/Expected.h"
#include "base/Handles_win.h"
#include "base/WindowClass_win.h"
#include "base/WindowTimer_win.h"
#include "contract/HostInterface_win.h"
#include "reporting/PollTick.h"
#include "reporting/RefusalHandoff.h"
#include "settings/Settings.h"

namespace vantu {

class NowPlayingWatcher {
 public:
  // Copies the header (HostWindow is the target of every query). The
  // settings outlive the watcher; the refusals outlive every report worker.
  // The poll timer runs from here on. Fails when the window or the timer
  // cannot be made.
  static Expected<std::unique_ptr<NowPlayingWatcher>, Error> Start(const PluginHeader& header, Settings& settings,
                                                                   RefusalHandoff& refusals, void (*showConfig)());
  ~NowPlayingWatcher();
  NowPlayingWatcher(const NowPlayingWatcher&) = delete;
  NowPlayingWatcher& operator=(const NowPlayingWatcher&) = delete;

 private:
  class TickHost;
  NowPlayingWatcher(const PluginHeader& header, Settings& settings, RefusalHandoff& refusals,
                    void (*showConfig)());
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnPollTimer();
  bool StartCooldown();

  PluginHeader header_;
  Settings& settings_;
  RefusalHandoff& refusals_;
  void (*showConfig_)();
  WindowClass windowClass_;
  Window window_;  // the timers below are killed first, then the window goes
  WindowTimer pollTimer_;
  WindowTimer cooldownTimer_;  // running while the cooldown runs
  bool inPollTick_ = false;
  WatcherTitles titles_;
};

}  // namespace vantu
