#include "reporting/PollTick.h"

#include "base/TextRules.h"
#include "reporting/TitleRules.h"
#include "service/ServiceUrls.h"

namespace vantu {

namespace {

void Report(PollTickHost& host, const TickInputs& inputs, const std::string& title) {
  // Nothing of a report may reach the user: the song counts as sent and the
  // cooldown, once started, stays, whatever fails here. Without a cooldown
  // nothing is sent, so that reports never come faster than it allows.
  if (!host.StartCooldown()) return;
  const ArtistSong parts = SplitTitle(title);
  host.StartReport(BuildListenInUrl(parts.Artist, parts.Song, inputs.Nickname, inputs.Password));
}

}  // namespace

TickInputs GatherTickInputs(const SettingValues& settings, bool messagePending, bool cooldownRunning) {
  TickInputs inputs;
  inputs.MessagePending = messagePending;
  inputs.Active = settings.Active;
  inputs.CooldownRunning = cooldownRunning;
  inputs.Nickname = settings.Nickname;
  inputs.Password = settings.Password;
  return inputs;
}

void PollTick(PollTickHost& host, const TickInputs& inputs, WatcherTitles& titles) {
  if (inputs.MessagePending) host.ShowConfig();
  if (!inputs.Active) return;
  if (inputs.CooldownRunning) return;  // no host queries at all meanwhile

  if (host.PlaybackState() != 1) return;
  if (!IsSupportedFile(host.FileName(host.PlaylistIndex()))) return;

  // The entry may have changed since; the title is read for the index as it
  // is now.
  titles.CurrentTitle = TitleCase(host.Title(host.PlaylistIndex()));

  if (TrimBlanks(titles.CurrentTitle).empty()) return;
  if (titles.CurrentTitle == titles.LastSentTitle) return;

  titles.LastSentTitle = titles.CurrentTitle;
  Report(host, inputs, titles.CurrentTitle);
}

}  // namespace vantu
