#include "reporting/U_CheckWinamp.h"

#include <stdexcept>
#include <utility>

#include "plugin/ErrorBox.h"
#include "reporting/HostQuery.h"
#include "reporting/RefusalHandoff.h"
#include "reporting/U_HTTP.h"
#include "vantu_config.h"

namespace vantu {

namespace {

constexpr UINT_PTR PollTimerId = 1;
constexpr UINT_PTR CooldownTimerId = 2;
constexpr char WindowClassName[] = "VantuWatcher";

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

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

TCheckWinamp::TCheckWinamp(const TPluginHeader& header, TSettings& settings, void (*showConfig)())
    : header_(header), settings_(settings), showConfig_(showConfig) {
  HINSTANCE module = ThisModule();
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &TCheckWinamp::WindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = WindowClassName;
  // A class left behind by an earlier load of the library would still point
  // into that mapping, so it is registered here and removed on destruction.
  if (!RegisterClassExA(&windowClass)) throw std::runtime_error("watcher window class not registered");
  window_ = CreateWindowExA(0, WindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
  if (!window_ || !SetTimer(window_, PollTimerId, TimerInterval(5000), nullptr)) {
    if (window_) DestroyWindow(window_);
    UnregisterClassA(WindowClassName, module);
    throw std::runtime_error("watcher timer not created");
  }
}

TCheckWinamp::~TCheckWinamp() {
  // Destroying the window kills its timers and drops any tick still queued.
  DestroyWindow(window_);
  UnregisterClassA(WindowClassName, ThisModule());
}

LRESULT CALLBACK TCheckWinamp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* watcher = reinterpret_cast<TCheckWinamp*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_TIMER && watcher) {
    if (wParam == PollTimerId) GuardUiEvent([watcher] { watcher->OnPollTimer(); });
    if (wParam == CooldownTimerId) GuardUiEvent([watcher] { watcher->OnCooldownTimer(); });
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

  RefusalHandoff().ApplyRefusalTo(settings_.Active);
  TTickInputs inputs;
  inputs.MessagePending = !RefusalHandoff().PendingMessage().empty();
  inputs.Active = settings_.Active;
  inputs.CooldownRunning = cooldownRunning_;
  inputs.Nickname = settings_.Nickname;
  inputs.Password = settings_.Password;
  TTickHost host(*this);
  PollTick(host, inputs, titles_);
}

void TCheckWinamp::OnCooldownTimer() {
  KillTimer(window_, CooldownTimerId);
  cooldownRunning_ = false;
}

void TCheckWinamp::StartCooldown() {
  if (cooldownRunning_) return;
  if (!SetTimer(window_, CooldownTimerId, TimerInterval(60000), nullptr)) {
    throw std::runtime_error("cooldown timer not started");
  }
  cooldownRunning_ = true;
}

}  // namespace vantu
