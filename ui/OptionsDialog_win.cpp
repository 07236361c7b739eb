#include "ui/OptionsDialog_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <string>
#include <vector>

#include "base/ErrorBox.h"
#include "base/FatalError.h"
#include "service/HttpClient.h"
#include "service/ServiceUrls.h"
#include "settings/Settings.h"
#include "ui/Layout_win.h"
#include "ui/DialogGeometry.h"
#include "ui/Resources.h"
#include "vantu_config.h"

namespace vantu {
namespace {

// As in every earlier release: scripts and tools outside the DLL find the window by this class.
constexpr const char* DialogClassName = "TF_Options";
constexpr const char* GroupBoxClassName = "TF_Options.GroupBox";
constexpr DWORD DialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// The modal frame drops the caption icon; the dialog has no owner, and
// WS_EX_APPWINDOW gives it its own task-bar button.
constexpr DWORD DialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr UINT_PTR RaiseTimerId = 1;
constexpr int DesignFontHeight = 11;  // pixels at 96 pixels per inch
constexpr COLORREF LinkColour = RGB(0, 0, 255);

HBRUSH DialogBackground() { return reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1); }

// Empty when the font cannot be made.
Font CreateSansSerif(int pixelHeight, bool underline) {
  return Font(CreateFontA(-pixelHeight, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          "MS Sans Serif"));
}

int TextHeightOf(HFONT font) {
  ScreenDc screen;
  ScopedSelection selection(screen.Get(), font);
  SIZE size{};
  GetTextExtentPoint32A(screen.Get(), "0", 1, &size);
  return size.cy > 0 ? size.cy : DesignTextHeight;
}

int ScreenPixelsPerInch() {
  ScreenDc screen;
  return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

struct WindowKind {
  const char* ClassName;
  DWORD Style;
  DWORD ExStyle;
};

WindowKind KindOf(ControlKind kind) {
  constexpr DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  switch (kind) {
    case ControlKind::Link: return {"Static", label | SS_NOTIFY, 0};
    case ControlKind::Label: return {"Static", label, 0};
    case ControlKind::Picture: return {"Static", SS_OWNERDRAW | SS_NOTIFY, 0};
    case ControlKind::DefaultButton: return {"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::Button: return {"Button", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::GroupBox: return {GroupBoxClassName, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Edit: return {"Edit", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Password: return {"Edit", ES_AUTOHSCROLL | ES_PASSWORD | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::CheckBox: return {"Button", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case ControlKind::StatusBar: return {STATUSCLASSNAMEA, CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_BOTTOM, 0};
  }
  FatalError("unknown control kind");
}

}  // namespace

OptionsDialog::OptionsDialog(HINSTANCE module, Settings& settings, RefusalTaker takeRefusal)
    : module_(module), settings_(settings), takeRefusal_(takeRefusal), httpClient_(std::make_unique<HttpClient>()) {}

Expected<std::unique_ptr<OptionsDialog>, Error> OptionsDialog::Create(HINSTANCE module, Settings& settings,
                                                                      RefusalTaker takeRefusal) {
  std::unique_ptr<OptionsDialog> dialog(new OptionsDialog(module, settings, takeRefusal));
  if (auto created = dialog->CreateWindows(); !created) return created.Error();
  return dialog;
}

Expected<void, Error> OptionsDialog::CreateWindows() {
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  if (auto registered = dialogClass_.Register(module_, DialogClassName, &WindowProc, arrow, DialogBackground());
      !registered) {
    return registered;
  }
  if (auto registered = groupBoxClass_.Register(module_, GroupBoxClassName, &GroupBoxProc, arrow, DialogBackground());
      !registered) {
    return registered;
  }
  font_ = CreateSansSerif(MulDiv(DesignFontHeight, ScreenPixelsPerInch(), 96), false);
  if (!font_) return Error("The dialog font cannot be created");
  textHeight_ = TextHeightOf(font_.Get());
  labelFont_ = CreateSansSerif(ScaleLength(DesignFontHeight, textHeight_), false);
  linkFont_ = CreateSansSerif(ScaleLength(DesignFontHeight, textHeight_), true);
  if (!labelFont_ || !linkFont_) return Error("The dialog font cannot be created");
  logo_ = Bitmap(static_cast<HBITMAP>(
      LoadImageA(module_, MAKEINTRESOURCEA(IDB_VANTU_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!logo_) return Error("The logo resource is missing");
  const INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&commonControls);

  RECT frame{0, 0, ScaleLength(ClientWidth, textHeight_), ScaleLength(ClientHeight, textHeight_)};
  AdjustWindowRectEx(&frame, DialogStyle, FALSE, DialogExStyle);
  // Created hidden and top-most; the first Show centres it. window_ takes
  // the handle at WM_NCCREATE, so that the creation messages can use it.
  if (!CreateWindowExA(DialogExStyle, DialogClassName, OptionsCaption, DialogStyle, 0, 0,
                       frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module_, this)) {
    return Error("The options dialog cannot be created");
  }
  if (auto created = CreateControls(); !created) return created;
  focus_ = Control(IdUsername);
  return raiseTimer_.Start(window_.Get(), RaiseTimerId, TimerInterval(1000));
}

OptionsDialog::~OptionsDialog() = default;

Expected<void, Error> OptionsDialog::CreateControls() {
  for (const ControlLayout& layout : OptionsLayout) {
    const Bounds bounds = ScaleBounds(layout.Bounds, textHeight_);
    const WindowKind kind = KindOf(layout.Kind);
    HWND parent = layout.Parent == 0 ? window_.Get() : Control(layout.Parent);
    HWND control = CreateWindowExA(kind.ExStyle, kind.ClassName, layout.Text,
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | kind.Style, bounds.Left, bounds.Top,
                                   bounds.Width, bounds.Height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.Id)), module_, this);
    if (!control) {
      return Error("Control " + std::to_string(layout.Id) + " of the options dialog cannot be created");
    }
    HFONT font = layout.Kind == ControlKind::Link ? linkFont_.Get() : layout.Id == IdNoAccountLabel ? labelFont_.Get() : font_.Get();
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    switch (layout.Kind) {
      case ControlKind::Link:
      case ControlKind::Picture: SetWindowSubclass(control, &LinkProc, 0, 0); break;
      case ControlKind::Edit: SendMessageA(control, EM_LIMITTEXT, MaxTextLength, 0); break;
      case ControlKind::Password:
        SendMessageA(control, EM_LIMITTEXT, MaxTextLength, 0);
        SendMessageA(control, EM_SETPASSWORDCHAR, '*', 0);
        break;
      case ControlKind::GroupBox: groupBox_ = control; break;
      case ControlKind::StatusBar: SendMessageA(control, SB_SIMPLE, TRUE, 0); break;
      default: break;
    }
  }
  return {};
}

HWND OptionsDialog::Control(int id) const {
  if (HWND control = GetDlgItem(window_.Get(), id)) return control;
  return groupBox_ ? GetDlgItem(groupBox_, id) : nullptr;
}

std::string OptionsDialog::Text(int id) const {
  HWND control = Control(id);
  std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void OptionsDialog::SetStatus(const std::string& text) {
  SendMessageA(Control(IdStatusBar), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

// --- showing and hiding -----------------------------------------------------

void OptionsDialog::Show() {
  HWND window = window_.Get();
  if (!IsWindowVisible(window)) {
    if (!placed_) Centre();
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    OnShow();
  }
  BringToFront();
}

void OptionsDialog::Centre() {
  RECT frame;
  GetWindowRect(window_.Get(), &frame);
  const Origin origin = CentredOrigin(frame.right - frame.left, frame.bottom - frame.top,
                                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(window_.Get(), nullptr, origin.X, origin.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = true;
}

void OptionsDialog::BringToFront() {
  HWND window = window_.Get();
  // A hidden dialog only moves up in the z-order; it stays hidden and inactive.
  const bool visible = IsWindowVisible(window);
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | (visible ? 0 : SWP_NOACTIVATE));
  if (visible) SetForegroundWindow(window);
}

void OptionsDialog::Hide() {
  HWND window = window_.Get();
  if (GetActiveWindow() == window) {
    // Hand the activation on ourselves, preferring the host's own windows
    // over other top-most ones, so that hiding never activates a stranger.
    std::vector<HWND> others;
    std::vector<ActivationCandidate> candidates;
    for (HWND other = GetTopWindow(nullptr); other; other = GetWindow(other, GW_HWNDNEXT)) {
      if (other == window || GetWindowThreadProcessId(other, nullptr) != GetCurrentThreadId()) continue;
      others.push_back(other);
      candidates.push_back({IsWindowVisible(other) != FALSE, IsWindowEnabled(other) != FALSE,
                            (GetWindowLongA(other, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0});
    }
    const int successor = ChooseSuccessor(candidates);
    if (successor >= 0) SetActiveWindow(others[static_cast<size_t>(successor)]);
  }
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
}

// --- events -----------------------------------------------------------------

void OptionsDialog::OnShow() {
  // Before the settings are shown: a refusal unticks Active.
  const std::string refusal = takeRefusal_(settings_.Active);
  SetWindowTextA(Control(IdUsername), settings_.Nickname.c_str());
  SetWindowTextA(Control(IdPassword), settings_.Password.c_str());
  SendMessageA(Control(IdActive), BM_SETCHECK, settings_.Active ? BST_CHECKED : BST_UNCHECKED, 0);
  focus_ = Control(IdUsername);
  if (GetActiveWindow() == window_.Get()) SetFocus(focus_);
  SetStatus(refusal);
}

void OptionsDialog::OnClose() {
  // The dialog lives until quit: a close only hides it.
  Hide();
}

void OptionsDialog::OnOk() {
  settings_.Nickname = Text(IdUsername);
  settings_.Password = Text(IdPassword);
  settings_.Active = SendMessageA(Control(IdActive), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (auto saved = settings_.Save(); !saved) {
    // The click ends here: the dialog stays open, the settings in memory
    // keep what the user entered.
    ShowErrorBox(saved.Error().Message());
    return;
  }
  OnClose();
}

void OptionsDialog::OnCancel() { OnClose(); }

void OptionsDialog::OnVerify() {
  // Synchronous on purpose: the answer belongs to what the boxes show now.
  std::string answer;
  if (auto got = HttpGetText(*httpClient_, BuildVerifyUrl(Text(IdUsername), Text(IdPassword)), answer); !got) {
    answer = got.Error().Message();
  }
  SetStatus(answer);
}

void OptionsDialog::OnWebsiteLink() {
  ShellExecuteA(nullptr, "open", HomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

void OptionsDialog::OnRaiseTimer() {
  raiseTimer_.Stop();
  BringToFront();
}

// --- messages ---------------------------------------------------------------

LRESULT CALLBACK OptionsDialog::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  OptionsDialog* self = AttachThis<OptionsDialog>(window, message, lParam);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCCREATE) self->window_ = Window(window);
  if (message == WM_NCDESTROY) self->window_.Release();
  return self->HandleMessage(window, message, wParam, lParam);
}

LRESULT OptionsDialog::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_TIMER: if (wParam == RaiseTimerId) OnRaiseTimer(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_ACTIVATE: OnActivate(LOWORD(wParam) != WA_INACTIVE); return 0;
    case WM_SETFOCUS: if (focus_) SetFocus(focus_); return 0;
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: OnDrawLogo(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_QUERYENDSESSION: return TRUE;  // hiding is all a close does; the session may end
    case DM_GETDEFID: return MAKELRESULT(IdOk, DC_HASDEFID);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The group box is a container of our own: it paints the etched frame and
// passes its children's notifications on to the dialog.
LRESULT CALLBACK OptionsDialog::GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  OptionsDialog* self = AttachThis<OptionsDialog>(window, message, lParam);
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: self->OnPaintGroupBox(window); return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: return self->HandleMessage(GetParent(window), message, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Links and the logo: a click is a press and a release both inside, and the
// pointer is a hand over them.
LRESULT CALLBACK OptionsDialog::LinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR) {
  switch (message) {
    case WM_SETCURSOR: SetCursor(LoadCursorA(nullptr, IDC_HAND)); return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetCapture(window); return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() != window) return 0;
      ReleaseCapture();
      RECT client;
      GetClientRect(window, &client);
      if (PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        SendMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), STN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
      }
      return 0;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(window, &LinkProc, id); break;
    default: break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

void OptionsDialog::OnCommand(int id, int code) {
  switch (id) {
    case IdOk: if (code == BN_CLICKED) OnOk(); break;
    case IdCancel: if (code == BN_CLICKED) OnCancel(); break;
    case IdVerify: if (code == BN_CLICKED) OnVerify(); break;
    case IdWebsiteLink:
    case IdSignUpLink:
    case IdLogo: if (code == STN_CLICKED) OnWebsiteLink(); break;
    case IdUsername: if (code == EN_SETFOCUS) SendMessageA(Control(id), EM_SETSEL, 0, -1); break;
    default: break;
  }
}

void OptionsDialog::OnActivate(bool active) {
  // The dialog keeps its own focus across deactivation, as a dialog box does.
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_.Get(), focus)) focus_ = focus;
  } else if (focus_) {
    SetFocus(focus_);
  }
}

LRESULT OptionsDialog::OnCtlColorStatic(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  SetTextColor(dc, id == IdWebsiteLink || id == IdSignUpLink ? LinkColour : GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

void OptionsDialog::OnDrawLogo(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != IdLogo) return;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  BITMAP bitmap{};
  GetObjectA(logo_.Get(), sizeof bitmap, &bitmap);
  MemoryDc source(CreateCompatibleDC(item.hDC));
  ScopedSelection selection(source.Get(), logo_.Get());
  // Drawn at its own size; every pixel of the bottom-left pixel's colour is left out.
  const COLORREF transparent = GetPixel(source.Get(), 0, bitmap.bmHeight - 1);
  GdiTransparentBlt(item.hDC, 0, 0, bitmap.bmWidth, bitmap.bmHeight, source.Get(), 0, 0, bitmap.bmWidth,
                    bitmap.bmHeight, transparent);
}

void OptionsDialog::OnPaintGroupBox(HWND groupBox) {
  ScopedPaint paint(groupBox);
  RECT frame;
  GetClientRect(groupBox, &frame);
  // Where a caption's middle would be, as for a group box with a caption.
  frame.top = textHeight_ / 2 - 1;
  DrawEdge(paint.Dc(), &frame, EDGE_ETCHED, BF_RECT);
}

}  // namespace vantu
