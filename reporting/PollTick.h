// The watcher's poll tick as a plain function: everything it reads comes in
// as arguments and everything it does goes out through PollTickHost, so the
// timers and the host window stay outside and the rule runs without them.
#pragma once

#include <cstdint>
#include <string>

#include "settings/Settings.h"

namespace vantu {

class PollTickHost {
 public:
  virtual ~PollTickHost() = default;

  // The four host queries. Texts are copied at once; a null answer is the
  // empty text.
  virtual std::intptr_t PlaybackState() = 0;              // 1 means playing
  virtual std::intptr_t PlaylistIndex() = 0;
  virtual std::string FileName(std::intptr_t index) = 0;
  virtual std::string Title(std::intptr_t index) = 0;

  virtual void ShowConfig() = 0;                  // PluginConfig
  virtual bool StartCooldown() = 0;               // starts the cooldown timer; false when it cannot
  virtual void StartReport(std::string url) = 0;  // one request worker; one that cannot start is dropped
};

// The values the tick reads, taken on the UI thread once the latest refusal
// has been looked at (RefusalHandoff::Look).
struct TickInputs {
  bool MessagePending = false;
  bool Active = true;
  bool CooldownRunning = false;
  std::string Nickname;
  std::string Password;
};

// The tick's inputs from the settings and the watcher's state; reads only.
TickInputs GatherTickInputs(const SettingValues& settings, bool messagePending, bool cooldownRunning);

// The watcher's own texts, kept from one tick to the next.
struct WatcherTitles {
  std::string CurrentTitle;   // latest title read, after title-casing
  std::string LastSentTitle;  // title of the latest report
};

// Runs one poll tick. Nothing of a report's failure reaches the user: the
// title stays recorded as sent, so the song is not retried.
void PollTick(PollTickHost& host, const TickInputs& inputs, WatcherTitles& titles);

}  // namespace vantu
