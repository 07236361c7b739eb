// The options dialog: a modeless, top-most window that edits the settings,
// checks the account with the service and shows the service's refusals.
// Made at its first showing in a run, then only shown and hidden (every close
// request hides it) until quit destroys it with the run's settings. Its
// geometry and activation rules are plain functions in OptionsDialog.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Error.h"
#include "base/Expected.h"
#include "base/Handles_win.h"
#include "base/WindowClass_win.h"
#include "base/WindowTimer_win.h"

namespace vantu {

class Settings;
class HttpClient;

class OptionsDialog {
 public:
  // Takes the service's latest refusal at the dialog's show: sets active to
  // false if one arrived since the last look, and returns its text, once
  // (empty when none waits). The report workers that hand it over are not
  // the dialog's business.
  using RefusalTaker = std::string (*)(bool& active);

  // Makes the dialog, hidden. The settings outlive it. Fails when a window,
  // its class, a font, the logo or the timer cannot be made.
  static Expected<std::unique_ptr<OptionsDialog>, Error> Create(HINSTANCE module, Settings& settings,
                                                                RefusalTaker takeRefusal);
  ~OptionsDialog();
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  // Shows the dialog (refilling it when it was hidden) or brings it to the front.
  void Show();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK LinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  OptionsDialog(HINSTANCE module, Settings& settings, RefusalTaker takeRefusal);
  Expected<void, Error> CreateWindows();
  Expected<void, Error> CreateControls();
  HWND Control(int id) const;
  std::string Text(int id) const;
  void SetStatus(const std::string& text);
  void BringToFront();
  void Hide();

  // Message handlers.
  void OnCommand(int id, int code);
  void OnActivate(bool active);
  void Centre();
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawLogo(const DRAWITEMSTRUCT& item);
  void OnPaintGroupBox(HWND groupBox);

  // Events: the dialog's show and close, the buttons, the links and the
  // logo, the one-shot timer that raises the dialog after its creation.
  void OnShow();
  void OnClose();
  void OnOk();
  void OnCancel();
  void OnVerify();
  void OnWebsiteLink();
  void OnRaiseTimer();

  HINSTANCE module_;
  Settings& settings_;
  RefusalTaker takeRefusal_;
  WindowClass dialogClass_;
  WindowClass groupBoxClass_;
  Font font_;
  int textHeight_ = 0;  // of "0" in the dialog font; 13 at 96 pixels per inch
  Font labelFont_;  // own fonts of the "No account yet?" label and of the links, scaled with the layout
  Font linkFont_;
  Bitmap logo_;
  std::unique_ptr<HttpClient> httpClient_;
  Window window_;  // destroyed before everything above, which its messages use
  HWND groupBox_ = nullptr;
  HWND focus_ = nullptr;  // the control that gets the focus when the dialog is activated
  bool placed_ = false;   // centred once; afterwards it stays where the user left it
  WindowTimer raiseTimer_;  // one-shot: stopped once it has fired
};

}  // namespace vantu
