#include "reporting/NowPlayingWatcher_win.h"

#include <utility>

#include "base/ModuleReference_win.h"
#include "reporting/HostQuery_win.h"
#include "reporting/ReportWorker.h"
#include "vantu_config.h"

namespace vantu {

namespace {

constexpr UINT_PTR PollTimerId = 1;
constexpr UINT_PTR CooldownTimerId = 2;
constexpr char WindowClassName[] = "VantuWatcher";

}  // namespace

// The tick's view of the host and of the watcher's own timers.
class NowPlayingWatcher::TickHost final : public PollTickHost {
 public:
  explicit TickHost(NowPlayingWatcher& watcher) : watcher_(watcher) {}

  std::intptr_t PlaybackState() override {
    return SendHostMessage(watcher_.header_.HostWindow, QueryPlaybackState, QueryPlaybackState);
  }
  std::intptr_t PlaylistIndex() override {
    return SendHostMessage(watcher_.header_.HostWindow, QueryPlaylistIndex, 0);
  }
  std::string FileName(std::intptr_t index) override {
    return HostString(watcher_.header_.HostWindow, QueryFileName, static_cast<WPARAM>(index));
  }
  std::string Title(std::intptr_t index) override {
    return HostString(watcher_.header_.HostWindow, QueryTitle, static_cast<WPARAM>(index));
  }
  void ShowConfig() override { watcher_.showConfig_(); }
  bool StartCooldown() override { return watcher_.StartCooldown(); }
  void StartReport(std::string url) override {
    // One that cannot start is dropped, as a failed one is.
    (void)vantu::StartReport(std::move(url), watcher_.refusals_);
  }

 private:
  NowPlayingWatcher& watcher_;
};

NowPlayingWatcher::NowPlayingWatcher(const PluginHeader& header, Settings& settings, RefusalHandoff& refusals,
                                     void (*showConfig)())
    : header_(header), settings_(settings), refusals_(refusals), showConfig_(showConfig) {}

Expected<std::unique_ptr<NowPlayingWatcher>, Error> NowPlayingWatcher::Start(const PluginHeader& header,
                                                                              Settings& settings,
                                                                              RefusalHandoff& refusals,
                                                                              void (*showConfig)()) {
  std::unique_ptr<NowPlayingWatcher> watcher(new NowPlayingWatcher(header, settings, refusals, showConfig));
  if (auto registered = watcher->windowClass_.Register(ThisModule(), WindowClassName, &WindowProc); !registered) {
    return registered.Error();
  }
  // Message-only: it carries the timers and never shows.
  watcher->window_ = Window(CreateWindowExA(0, WindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            ThisModule(), watcher.get()));
  if (!watcher->window_) return Error("watcher window not created");
  if (auto started = watcher->pollTimer_.Start(watcher->window_.Get(), PollTimerId, TimerInterval(5000)); !started) {
    return started.Error();
  }
  return watcher;
}

NowPlayingWatcher::~NowPlayingWatcher() = default;

LRESULT CALLBACK NowPlayingWatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  NowPlayingWatcher* watcher = AttachThis<NowPlayingWatcher>(window, message, lParam);
  if (message == WM_TIMER && watcher) {
    if (wParam == PollTimerId) watcher->OnPollTimer();
    // The cooldown fires once.
    if (wParam == CooldownTimerId) watcher->cooldownTimer_.Stop();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void NowPlayingWatcher::OnPollTimer() {
  // An error box shown inside PluginConfig runs a modal loop that keeps
  // delivering our timer; a tick arriving then must not run inside the one
  // that is waiting.
  if (inPollTick_) return;
  struct TickScope {
    bool& flag;
    explicit TickScope(bool& f) : flag(f) { flag = true; }
    ~TickScope() { flag = false; }
  } scope(inPollTick_);

  // The latest refusal first: it switches reporting off before the tick
  // reads the settings; its text stays for the dialog.
  const std::string message = refusals_.Look(settings_.Active, RefusalHandoff::Text::Leave);
  const TickInputs inputs = GatherTickInputs(settings_, !message.empty(), cooldownTimer_.Running());
  TickHost host(*this);
  PollTick(host, inputs, titles_);
}

bool NowPlayingWatcher::StartCooldown() {
  if (cooldownTimer_.Running()) return true;
  return cooldownTimer_.Start(window_.Get(), CooldownTimerId, TimerInterval(60000)).HasValue();
}

}  // namespace vantu
