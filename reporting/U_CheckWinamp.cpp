#include "reporting/U_CheckWinamp.h"

#include <utility>

#include "base/Error.h"
#include "base/ErrorBox.h"
#include "base/ModuleReference_win.h"
#include "reporting/HostQuery.h"
#include "reporting/Refusals.h"
#include "reporting/U_HTTP.h"
#include "vantu_config.h"

namespace vantu {

namespace {

constexpr UINT_PTR PollTimerId = 1;
constexpr UINT_PTR CooldownTimerId = 2;
constexpr char WindowClassName[] = "VantuWatcher";

}  // namespace

// The tick's view of the host and of the watcher's own timers.
class TCheckWinamp::TTickHost final : public ITickHost {
 public:
  explicit TTickHost(TCheckWinamp& watcher) : watcher_(watcher) {}

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
  void StartCooldown() override { watcher_.StartCooldown(); }
  void StartReport(std::string url) override { vantu::StartReport(std::move(url)); }

 private:
  TCheckWinamp& watcher_;
};

namespace {

// Message-only: it carries the timers and never shows.
HWND CreateWatcherWindow(void* watcher) {
  HWND window =
      CreateWindowExA(0, WindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), watcher);
  if (!window) throw Error("watcher window not created");
  return window;
}

}  // namespace

TCheckWinamp::TCheckWinamp(const PluginHeader& header, Settings& settings, void (*showConfig)())
    : header_(header),
      settings_(settings),
      showConfig_(showConfig),
      windowClass_(ThisModule(), WindowClassName, &TCheckWinamp::WindowProc),
      window_(CreateWatcherWindow(this)),
      PollTimer(window_.Get(), PollTimerId, TimerInterval(5000)) {}

TCheckWinamp::~TCheckWinamp() = default;

LRESULT CALLBACK TCheckWinamp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TCheckWinamp* watcher = AttachThis<TCheckWinamp>(window, message, lParam);
  if (message == WM_TIMER && watcher) {
    if (wParam == PollTimerId) GuardUiEvent([watcher] { watcher->OnPollTimer(); });
    // The cooldown fires once: dropping its timer kills it.
    if (wParam == CooldownTimerId) watcher->CooldownTimer.reset();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void TCheckWinamp::OnPollTimer() {
  // An error box shown inside PluginConfig runs a modal loop that keeps
  // delivering our timer; a tick arriving then must not run inside the one
  // that is waiting.
  if (inPollTick_) return;
  struct TTickScope {
    bool& flag;
    explicit TTickScope(bool& f) : flag(f) { flag = true; }
    ~TTickScope() { flag = false; }
  } scope(inPollTick_);

  ProcessRefusalHandoff().ApplyRefusalTo(settings_.Active);
  TTickInputs inputs;
  inputs.MessagePending = !ProcessRefusalHandoff().PendingMessage().empty();
  inputs.Active = settings_.Active;
  inputs.CooldownRunning = CooldownTimer.has_value();
  inputs.Nickname = settings_.Nickname;
  inputs.Password = settings_.Password;
  TTickHost host(*this);
  PollTick(host, inputs, titles_);
}

void TCheckWinamp::StartCooldown() {
  if (!CooldownTimer) CooldownTimer.emplace(window_.Get(), CooldownTimerId, TimerInterval(60000));
}

}  // namespace vantu
