#include "Watchers.h"

#include <vector>

#include "Output.h"
#include "Script.h"

namespace vantu::host {
namespace {

constexpr int MessageBoxTextId = 0xFFFF;

struct Button {
  HWND window;
  std::string text;
};

void ReportAndDismiss(HWND box) {
  std::vector<Button> buttons;
  bool icon = false;
  for (HWND child : ChildWindows(box)) {
    if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
    std::string kind = ClassName(child);
    if (kind == "Button") buttons.push_back({child, WindowText(child)});
    if (kind == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0)
      icon = true;
  }
  std::string names;
  for (const auto& button : buttons) names += (names.empty() ? "" : ",") + button.text;
  // Whether the box left the thread's other windows usable while it is up.
  std::string windows;
  for (HWND window : ThreadWindows())
    if (window != box && IsWindowVisible(window)) {
      if (!windows.empty()) windows += ',';
      windows += WindowText(window) + ":" + (IsWindowEnabled(window) ? "1" : "0");
    }
  Print("messagebox caption=" + Escape(WindowText(box)) +
        " text=" + Escape(WindowText(GetDlgItem(box, MessageBoxTextId))) + " buttons=" + Escape(names) +
        " icon=" + (icon ? "1" : "0") + " windows=" + Escape(windows));

  HWND press = GetDlgItem(box, IDOK);
  if (!press && !buttons.empty()) press = buttons.front().window;
  int id = press ? GetDlgCtrlID(press) : IDCANCEL;
  // Posted, so the box's own modal loop ends it the way a click would.
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(press));
}

}  // namespace

std::set<HWND> MessageBoxReporter::reported_;

bool IsMessageBox(HWND window) {
  return ClassName(window) == "#32770" && GetDlgItem(window, MessageBoxTextId) != nullptr;
}

MessageBoxReporter::MessageBoxReporter()
    : hook_(SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId())) {
  if (!hook_) Print("error cbt hook " + std::to_string(GetLastError()));
}

MessageBoxReporter::~MessageBoxReporter() {
  if (hook_) UnhookWindowsHookEx(hook_);
}

LRESULT CALLBACK MessageBoxReporter::HookProc(int code, WPARAM wParam, LPARAM lParam) {
  auto window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && !reported_.count(window) && IsMessageBox(window)) {
    reported_.insert(window);
    ReportAndDismiss(window);
  } else if (code == HCBT_DESTROYWND) {
    reported_.erase(window);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void WindowPoller::Poll() {
  std::map<HWND, Seen> now;
  for (HWND window : ThreadWindows()) {
    if (IsMessageBox(window)) continue;  // reported by the hook instead
    Seen seen{WindowText(window), IsWindowVisible(window) != FALSE};
    auto before = windows_.find(window);
    bool wasVisible = before != windows_.end() && before->second.visible;
    if (seen.visible && !wasVisible) Print("window shown " + Escape(seen.caption));
    if (!seen.visible && wasVisible) Print("window hidden " + Escape(seen.caption));
    now.emplace(window, std::move(seen));
  }
  for (const auto& [window, seen] : windows_)
    if (seen.visible && !now.count(window)) Print("window hidden " + Escape(seen.caption));
  windows_ = std::move(now);
}

}  // namespace vantu::host
