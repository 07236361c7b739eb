#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "reporting/PollTick.h"
#include "reporting/RefusalHandoff.h"
#include "service/ServiceUrls.h"
#include "settings/Settings.h"

namespace vantu {
namespace {

// The watcher around the tick with a fake host and a fake clock: a poll every
// 5 s, a 60 s cooldown after each report, and the refusal hand-off applied at
// the start of every tick as the real watcher does.
class WatcherModel final : public PollTickHost {
 public:
  struct Entry {
    std::string File, Title;
  };

  // Host side.
  std::vector<Entry> Playlist;
  std::intptr_t Index = -1;
  std::intptr_t State = 0;
  bool NullText = false;
  std::function<void()> AfterFileQuery;

  // Settings and the plug-in's own state.
  SettingValues Settings{"u", "p", true};
  RefusalHandoff Handoff;
  WatcherTitles Titles;
  bool FailNextReport = false;
  bool FailNextCooldown = false;

  // What happened, "<second> <what>", and the host queries of every tick, in
  // words ("playback-state?", "file-name? <index>", ...).
  std::vector<std::string> Effects;
  std::vector<std::string> Queries;
  std::vector<std::string> Urls;

  // "play <file>|<title>" (a new entry, playing), "state <n>", "nulltext",
  // "refuse <text>" (a worker's refusal), "show" (the dialog is shown),
  // "inactive", "ok" (the user ticks Active and presses OK), "failreport",
  // "failcooldown" (the next report's worker or cooldown cannot start).
  void Apply(const std::string& action) {
    std::string verb = action.substr(0, action.find(' '));
    std::string argument = action.size() > verb.size() ? action.substr(verb.size() + 1) : "";
    if (verb == "play") {
      std::size_t bar = argument.find('|');
      Playlist.push_back({argument.substr(0, bar), argument.substr(bar + 1)});
      Index = static_cast<std::intptr_t>(Playlist.size()) - 1;
      State = 1;
    } else if (verb == "state") {
      State = std::stoi(argument);
    } else if (verb == "nulltext") {
      NullText = true;
    } else if (verb == "refuse") {
      Handoff.Refuse(argument);
    } else if (verb == "show") {
      Log("shown " + Handoff.Look(Settings.Active, RefusalHandoff::Text::Take));
    } else if (verb == "inactive") {
      Settings.Active = false;
    } else if (verb == "ok") {
      Settings.Active = true;
    } else if (verb == "failreport") {
      FailNextReport = true;
    } else if (verb == "failcooldown") {
      FailNextCooldown = true;
    } else {
      throw std::invalid_argument("unknown action " + action);
    }
  }

  // One poll tick at the current time.
  void Tick() {
    // The cooldown timer is started during a tick, a moment after the tick's
    // own time, so the tick exactly 60 s later still finds it running.
    const bool cooldownRunning = cooldownStart_ >= 0 && nowMs_ <= cooldownStart_ + 60000;
    const std::string message = Handoff.Look(Settings.Active, RefusalHandoff::Text::Leave);
    PollTick(*this, GatherTickInputs(Settings, !message.empty(), cooldownRunning), Titles);
  }

  struct Step {
    int second;
    std::string action;
  };

  // Moves the clock on to untilSecond, a tick every 5 s from the start;
  // steps at a tick's second come just before that tick.
  void Run(const std::vector<Step>& steps, int untilSecond) {
    auto step = steps.begin();
    for (; nowMs_ <= untilSecond * 1000; nowMs_ += 1000) {
      for (; step != steps.end() && step->second * 1000 <= nowMs_; ++step) Apply(step->action);
      if (nowMs_ > 0 && nowMs_ % 5000 == 0) Tick();
    }
  }

  std::intptr_t PlaybackState() override {
    Queries.push_back("playback-state?");
    return State;
  }
  std::intptr_t PlaylistIndex() override {
    Queries.push_back("playlist-index?");
    return Index;
  }
  std::string FileName(std::intptr_t index) override {
    Queries.push_back("file-name? " + std::to_string(index));
    std::string file = NullText ? "" : Playlist.at(index).File;
    if (AfterFileQuery) AfterFileQuery();
    return file;
  }
  std::string Title(std::intptr_t index) override {
    Queries.push_back("title? " + std::to_string(index));
    return NullText ? "" : Playlist.at(index).Title;
  }
  void ShowConfig() override { Log("config"); }
  bool StartCooldown() override {
    if (std::exchange(FailNextCooldown, false)) {
      Log("cooldown failed");
      return false;
    }
    cooldownStart_ = nowMs_;
    return true;
  }
  void StartReport(std::string url) override {
    if (std::exchange(FailNextReport, false)) {
      Log("report failed");
      return;
    }
    Urls.push_back(url);
    Log("report " + url.substr(url.find("&artist=") + 1));
  }

 private:
  void Log(const std::string& what) { Effects.push_back(std::to_string(nowMs_ / 1000) + " " + what); }

  int nowMs_ = 0;
  int cooldownStart_ = -1;
};

using EffectLines = std::vector<std::string>;

TEST(PollTick, Scenarios) {
  const struct {
    const char* name;
    std::vector<WatcherModel::Step> steps;
    int untilSecond;
    EffectLines effects;
  } cases[] = {
      {"a new song is reported at the next tick",
       {{0, "play C:\\a.mp3|abba - waterloo"}},
       10,
       {"5 report artist=Abba&song=Waterloo"}},
      {"not playing",
       {{0, "play C:\\a.mp3|A - B"}, {0, "state 0"}},
       30,
       {}},
      {"no text from the host",
       {{0, "play C:\\a.mp3|A - B"}, {0, "nulltext"}},
       10,
       {}},
      {"unsupported entry skipped, the next one reported at once",
       {{0, "play C:\\a.wav|A - One"}, {10, "play C:\\b.mp3|A - Two"}},
       15,
       {"10 report artist=A&song=Two"}},
      {"blank title is nothing to report and starts no cooldown",
       {{0, "play C:\\a.mp3| \t "}, {10, "play C:\\b.mp3|A - B"}},
       15,
       {"10 report artist=A&song=B"}},
      {"a title differing only in case is the same song",
       {{0, "play C:\\a.mp3|abba - waterloo"}, {70, "play C:\\b.mp3|ABBA - Waterloo"}},
       80,
       {"5 report artist=Abba&song=Waterloo"}},
      {"a song started in the cooldown waits for its end",
       {{0, "play C:\\a.mp3|A - One"}, {10, "play C:\\b.mp3|A - Two"}},
       80,
       {"5 report artist=A&song=One", "70 report artist=A&song=Two"}},
      {"a song that ends within the cooldown is never reported",
       {{0, "play C:\\a.mp3|A - One"}, {10, "play C:\\b.mp3|A - Two"}, {30, "play C:\\c.mp3|A - Three"}},
       80,
       {"5 report artist=A&song=One", "70 report artist=A&song=Three"}},
      {"pause and resume",
       {{0, "play C:\\a.mp3|A - One"}, {20, "state 3"}, {80, "state 1"}},
       100,
       {"5 report artist=A&song=One"}},
      {"the same title from another file",
       {{0, "play C:\\a.mp3|A - One"}, {70, "play D:\\b.ogg|A - One"}},
       80,
       {"5 report artist=A&song=One"}},
      {"the same title again after another song",
       {{0, "play C:\\a.mp3|A - One"}, {70, "play C:\\b.mp3|A - Two"}, {140, "play C:\\a.mp3|A - One"}},
       140,
       {"5 report artist=A&song=One", "70 report artist=A&song=Two", "140 report artist=A&song=One"}},
      {"a refusal switches reporting off until the user presses OK",
       {{0, "play C:\\a.mp3|A - One"},
        {7, "refuse Wrong password"},
        {37, "show"},
        {70, "play C:\\b.mp3|A - Two"},
        {87, "ok"}},
       95,
       {"5 report artist=A&song=One", "10 config", "15 config", "20 config", "25 config", "30 config",
        "35 config", "37 shown Wrong password", "90 report artist=A&song=Two"}},
      {"a pending message shows the dialog while reporting is off",
       {{0, "play C:\\a.mp3|A - B"}, {0, "inactive"}, {12, "refuse Stop"}, {22, "show"}},
       30,
       {"15 config", "20 config", "22 shown Stop"}},
      {"two refusals before the dialog shows: the second wins",
       {{0, "refuse first"}, {3, "refuse second"}, {12, "show"}},
       15,
       {"5 config", "10 config", "12 shown second"}},
      {"a report that cannot start keeps its cooldown and is not retried",
       {{0, "failreport"}, {0, "play C:\\a.mp3|A - One"}, {10, "play C:\\b.mp3|A - Two"}},
       80,
       {"5 report failed", "70 report artist=A&song=Two"}},
      // Sent without its cooldown, it could be followed by another at the next tick.
      {"a report whose cooldown cannot start is not sent, and its song not retried",
       {{0, "failcooldown"}, {0, "play C:\a.mp3|A - One"}, {7, "play C:\b.mp3|A - Two"}},
       10,
       {"5 cooldown failed", "10 report artist=A&song=Two"}},
  };
  for (const auto& c : cases) {
    WatcherModel watcher;
    watcher.Run(c.steps, c.untilSecond);
    EXPECT_EQ(watcher.Effects, c.effects) << c.name;
  }
}

TEST(PollTick, ReportsOnlyTheSupportedExtensions) {
  const struct {
    const char* file;
    bool reported;
  } cases[] = {
      {"C:\\Music\\a.mp3", true},
      {"C:\\Music\\a.MP3", true},
      {"C:\\Music\\a.Ogg", true},
      {"C:\\Music\\a.mpc", true},
      {"C:\\Music\\a.aac", true},
      {"C:\\Music\\a.wma", true},
      {"C:\\Music\\a.flac", true},
      {"http://radio.example/live.mp3", true},
      {"C:\\Music\\a.m4a", false},
      {"C:\\Music\\a.wav", false},
      {"C:\\Music\\a.mp3 ", false},
      {"C:\\Music\\a.mpeg", false},
      {"C:\\Music\\a.mp", false},
      {"C:\\Music.old\\track", false},
      {"C:\\Music\\a.mp3\\track", false},
      {"http://radio.mp3/live", false},
      {"http://radio.example:8000", false},
      {"", false},
  };
  for (const auto& c : cases) {
    WatcherModel watcher;
    watcher.Run({{0, std::string("play ") + c.file + "|A - B"}}, 5);
    EXPECT_EQ(watcher.Effects.size(), c.reported ? 1u : 0u) << "[" << c.file << "]";
  }
}

TEST(PollTick, AsksTheHostInOrderAndOnlyAsFarAsNeeded) {
  const struct {
    const char* name;
    std::vector<WatcherModel::Step> steps;
    std::vector<std::string> queries;
  } cases[] = {
      {"playing",
       {{0, "play a.mp3|x"}, {0, "play b.mp3|A - B"}},
       {"playback-state?", "playlist-index?", "file-name? 1", "playlist-index?", "title? 1"}},
      {"unsupported file", {{0, "play b.wav|A - B"}}, {"playback-state?", "playlist-index?", "file-name? 0"}},
      {"stopped", {{0, "play b.mp3|A - B"}, {0, "state 0"}}, {"playback-state?"}},
      {"paused", {{0, "play b.mp3|A - B"}, {0, "state 3"}}, {"playback-state?"}},
      {"state 257 is not 1", {{0, "play b.mp3|A - B"}, {0, "state 257"}}, {"playback-state?"}},
      {"state -1", {{0, "play b.mp3|A - B"}, {0, "state -1"}}, {"playback-state?"}},
      {"reporting off", {{0, "play b.mp3|A - B"}, {0, "inactive"}}, {}},
  };
  for (const auto& c : cases) {
    WatcherModel watcher;
    watcher.Run(c.steps, 5);
    EXPECT_EQ(watcher.Queries, c.queries) << c.name;
  }
}

TEST(PollTick, MakesNoQueriesDuringTheCooldown) {
  WatcherModel watcher;
  watcher.Run({{0, "play a.mp3|A - B"}}, 5);
  watcher.Queries.clear();
  watcher.Run({}, 65);
  EXPECT_EQ(watcher.Queries, std::vector<std::string>{});
  watcher.Run({}, 70);
  EXPECT_EQ(watcher.Queries, (std::vector<std::string>{"playback-state?", "playlist-index?", "file-name? 0",
                                                       "playlist-index?", "title? 0"}));
}

TEST(PollTick, ReadsTheTitleOfTheEntryCurrentAfterTheFileQuery) {
  WatcherModel watcher;
  watcher.Apply("play a.mp3|Old - Song");
  watcher.AfterFileQuery = [&watcher] {
    watcher.AfterFileQuery = nullptr;
    watcher.Apply("play b.wav|New - Song");
  };
  watcher.Tick();
  EXPECT_EQ(watcher.Queries, (std::vector<std::string>{"playback-state?", "playlist-index?", "file-name? 0",
                                                       "playlist-index?", "title? 1"}));
  EXPECT_EQ(watcher.Titles.LastSentTitle, "New - Song");
}

TEST(PollTick, ReportsWithTheSettingsAccountAndKeepsTheTitlesUntrimmed) {
  WatcherModel watcher;
  watcher.Settings.Nickname = "jo smith";
  watcher.Settings.Password = "a&b";
  watcher.Run({{0, "play a.mp3|  tom & jerry - theme "}}, 5);
  EXPECT_EQ(watcher.Urls, std::vector<std::string>{BuildListenInUrl("  Tom And Jerry", "Theme ", "jo smith", "a&b")});
  EXPECT_EQ(watcher.Titles.LastSentTitle, "  Tom & Jerry - Theme ");

  // A blank title is read and kept as it is, but nothing is sent.
  watcher.Run({{10, "play b.mp3|\t  "}}, 70);
  EXPECT_EQ(watcher.Titles.CurrentTitle, "\t  ");
  EXPECT_EQ(watcher.Titles.LastSentTitle, "  Tom & Jerry - Theme ");
  EXPECT_EQ(watcher.Urls.size(), 1u);
}

}  // namespace
}  // namespace vantu
