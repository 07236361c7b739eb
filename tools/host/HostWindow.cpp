#include "HostWindow.h"

#include "Output.h"
#include "Script.h"
#include "contract/HostInterface_win.h"

namespace vantu::host {
namespace {

constexpr char WindowClassName[] = "VantuHostMain";
constexpr char Caption[] = "Substitute Host";
constexpr UINT_PTR WaitTimer = 1;
constexpr UINT_PTR PollTimer = 2;
constexpr UINT PollInterval = 50;

}  // namespace

HostWindow::HostWindow(HINSTANCE instance) {
  if (auto registered = windowClass_.Register(instance, WindowClassName, &WindowProc, LoadCursorA(nullptr, IDC_ARROW),
                                              reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
      !registered) {
    Print("error host window: " + registered.Error().Message());
  }
  window_ = CreateWindowExA(0, WindowClassName, Caption, WS_OVERLAPPEDWINDOW, 0, 0, 275, 116, nullptr, nullptr, instance,
                            this);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetTimer(window_, PollTimer, PollInterval, nullptr);
}

HostWindow::~HostWindow() {
  if (window_) DestroyWindow(window_);
}

void HostWindow::Play(const std::string& file, const std::string& title) {
  SetEntry(file, title);
  state_ = 1;
}

void HostWindow::SetEntry(const std::string& file, const std::string& title) {
  entries_.push_back({file, title});
}

void HostWindow::Wait(unsigned milliseconds) {
  waiting_ = true;
  SetTimer(window_, WaitTimer, milliseconds, nullptr);
  MSG message;
  while (waiting_) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // Nobody but the host may end its loop; report it and carry on.
      Print("quitmessage code=" + std::to_string(message.wParam));
      continue;
    }
    TranslateMessage(&message);
    if (timing_ && message.message == WM_TIMER && message.hwnd != window_) {
      const long long start = Microseconds();
      DispatchMessageA(&message);
      Print("timing tick us=" + std::to_string(Microseconds() - start));
    } else {
      DispatchMessageA(&message);
    }
  }
  KillTimer(window_, WaitTimer);
}

void HostWindow::RoundTrips(int count) {
  const long long start = Microseconds();
  for (int i = 0; i < count; ++i) SendMessageA(window_, WM_USER, 104, 104);
  Print("roundtrips n=" + std::to_string(count) + " us=" + std::to_string(Microseconds() - start));
}

LRESULT CALLBACK HostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HostWindow* self = AttachThis<HostWindow>(window, message, lParam);
  switch (message) {
    case WM_USER:
      if (self) return self->OnQuery(wParam, lParam);
      break;
    case WM_TIMER:
      if (self) self->OnTimer(wParam);
      return 0;
    case WM_CLOSE:
      return 0;  // the host ends only when its script does
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT HostWindow::OnQuery(WPARAM argument, LPARAM query) {
  LRESULT result = 0;
  std::string shown;
  switch (query) {
    case QueryPlaybackState:
      result = state_;
      break;
    case QueryPlaylistIndex:
      result = static_cast<LRESULT>(entries_.size() - 1);
      break;
    case QueryFileName:
    case QueryTitle:
      if (!nullText_ && argument < entries_.size()) {
        const Entry& entry = entries_[argument];
        const std::string& text = query == QueryFileName ? entry.file : entry.title;
        result = reinterpret_cast<LRESULT>(text.c_str());
        shown = "\"";  // appended, not "\"" + ...: GCC 12 warns falsely about that insert
        shown += Escape(text);
        shown += '"';
      }
      break;
  }
  if (!quiet_)
    Print("query " + std::to_string(query) + " " + std::to_string(argument) + " -> " +
          (shown.empty() ? std::to_string(result) : shown));
  return result;
}

void HostWindow::OnTimer(UINT_PTR id) {
  if (id == WaitTimer)
    waiting_ = false;
  else if (id == PollTimer)
    poller_.Poll();
}

}  // namespace vantu::host
