#include "Dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "Output.h"
#include "Script.h"
#include "contract/OptionsDialogControls.h"

namespace vantu::host {
namespace {

// The script language's names for the dialog's controls, in the order the
// dump lists them.
struct NamedControl {
  const char* name;
  ControlId id;
};

constexpr NamedControl Controls[] = {
    {"ok", IdOk},
    {"cancel", IdCancel},
    {"verify", IdVerify},
    {"username", IdUsername},
    {"password", IdPassword},
    {"active", IdActive},
    {"group-box", IdGroupBox},
    {"username-label", IdUsernameLabel},
    {"website-link", IdWebsiteLink},
    {"password-label", IdPasswordLabel},
    {"no-account-label", IdNoAccountLabel},
    {"signup-link", IdSignUpLink},
    {"logo", IdLogo},
    {"status-bar", IdStatusBar},
};

// Controls may sit inside the group box, so search every descendant.
HWND FindControl(HWND dialog, int id) {
  for (HWND child : ChildWindows(dialog))
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

int IdOf(const std::string& name) {
  for (const auto& [known, id] : Controls)
    if (known == name) return id;
  return 0;
}

std::string NameOf(HWND dialog, HWND window) {
  if (window == dialog) return "dialog";
  for (const auto& [name, id] : Controls)
    if (FindControl(dialog, id) == window) return name;
  return "-";
}

// Reports a missing dialog or control once, in the command's own words.
HWND DialogOrComplain(const char* command) {
  HWND dialog = FindDialog();
  if (!dialog) Print(std::string("error ") + command + ": no dialog");
  return dialog;
}

HWND ControlOrComplain(const char* command, const std::string& name) {
  HWND dialog = DialogOrComplain(command);
  if (!dialog) return nullptr;
  HWND control = FindControl(dialog, IdOf(name));
  if (!control) Print(std::string("error ") + command + ": no control " + name);
  return control;
}

bool IsStatusBar(HWND control) { return ClassName(control) == STATUSCLASSNAMEA; }

std::string ControlText(HWND control) {
  if (!IsStatusBar(control)) return WindowText(control);
  // Index 0 is the simple text too when the bar is in simple mode.
  auto length = LOWORD(SendMessageA(control, SB_GETTEXTLENGTHA, 0, 0));
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(control, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text.data()));
  text.resize(length);
  return text;
}

bool TakesButtonClick(HWND control) {
  return ClassName(control) == "Button" && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX;
}

// A mouse click at the control's centre, delivered to whatever window is
// under that point (a plain label lets the click through to its parent).
void MouseClick(HWND dialog, HWND control, const std::string& name) {
  RECT rect;
  GetWindowRect(control, &rect);
  POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  HWND target = WindowFromPoint(point);
  if (!target || (target != dialog && !IsChild(dialog, target))) {
    Print("error click: " + name + " is not under the pointer");
    return;
  }
  POINT local = point;
  ScreenToClient(target, &local);
  LPARAM where = MAKELPARAM(local.x, local.y);
  SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, where);
  SendMessageA(target, WM_LBUTTONUP, 0, where);
}

std::string Rect(int a, int b, int c, int d) {
  return std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + "," + std::to_string(d);
}

void DumpControl(HWND dialog, const std::string& name, int id) {
  HWND control = FindControl(dialog, id);
  if (!control) {
    Print("control " + name + " missing");
    return;
  }
  HWND parent = GetParent(control);
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  LONG style = GetWindowLongA(control, GWL_STYLE);
  bool checked = ClassName(control) == "Button" && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  Print("control " + name + " class=" + ClassName(control) + " parent=" + NameOf(dialog, parent) +
        " rect=" + Rect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) +
        " text=" + Escape(ControlText(control)) + " visible=" + ((style & WS_VISIBLE) ? "1" : "0") +
        " enabled=" + (IsWindowEnabled(control) ? "1" : "0") + " checked=" + (checked ? "1" : "0") +
        " style=" + Hex(static_cast<DWORD>(style)) +
        " exstyle=" + Hex(static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE))));
}

}  // namespace

bool IsControlName(std::string_view name) {
  return std::any_of(std::begin(Controls), std::end(Controls),
                     [&](const NamedControl& control) { return name == control.name; });
}

HWND FindDialog() {
  for (HWND window : ThreadWindows())
    if (WindowText(window) == OptionsCaption) return window;
  return nullptr;
}

void SetControlText(const std::string& control, const std::string& text) {
  if (HWND window = ControlOrComplain("settext", control))
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TypeText(const std::string& control, const std::string& text) {
  // Character by character, as the keyboard delivers them, so the control's
  // own limits apply (WM_SETTEXT passes them by).
  if (HWND window = ControlOrComplain("type", control)) {
    for (char c : text) SendMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
}

void ClickControl(const std::string& control) {
  HWND window = ControlOrComplain("click", control);
  if (!window) return;
  if (TakesButtonClick(window))
    SendMessageA(window, BM_CLICK, 0, 0);
  else
    MouseClick(FindDialog(), window, control);
}

void PrintControlText(const std::string& control) {
  if (HWND window = ControlOrComplain("gettext", control))
    Print("text " + control + " " + Escape(ControlText(window)));
}

void CloseDialog() {
  if (HWND dialog = DialogOrComplain("close")) SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void PressAltF4() {
  HWND dialog = DialogOrComplain("altf4");
  if (!dialog) return;
  // Like a key press: posted to the focus window, through the message loop
  // of the next wait, where DefWindowProc turns it into SC_CLOSE.
  HWND focus = GetFocus();
  HWND target = focus && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
  constexpr LPARAM altDown = 1 << 29;
  constexpr LPARAM f4ScanCode = 0x3E << 16;
  PostMessageA(target, WM_SYSKEYDOWN, VK_F4, altDown | f4ScanCode | 1);
}

void MoveDialog(int x, int y) {
  if (HWND dialog = DialogOrComplain("move"))
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DumpDialog() {
  HWND dialog = FindDialog();
  if (!dialog) {
    Print("dialog exists=0 visible=0 window=0,0,0,0 client=0,0 topmost=0 active=0 foreground=0 focus=- enabled=0");
    return;
  }
  RECT window, client;
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  HWND focus = GetFocus();
  Print(std::string("dialog exists=1 visible=") + (IsWindowVisible(dialog) ? "1" : "0") +
        " window=" + Rect(window.left, window.top, window.right, window.bottom) +
        " client=" + std::to_string(client.right) + "," + std::to_string(client.bottom) +
        " topmost=" + ((GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) ? "1" : "0") +
        " active=" + (GetActiveWindow() == dialog ? "1" : "0") +
        " foreground=" + (GetForegroundWindow() == dialog ? "1" : "0") +
        " focus=" + (focus ? NameOf(dialog, focus) : "-") + " enabled=" + (IsWindowEnabled(dialog) ? "1" : "0"));
  for (const auto& [name, id] : Controls) DumpControl(dialog, name, id);
  if (HWND bar = FindControl(dialog, IdStatusBar)) Print("statusbar text=" + Escape(ControlText(bar)));
}

}  // namespace vantu::host
