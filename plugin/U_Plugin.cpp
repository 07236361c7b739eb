#include "plugin/U_Plugin.h"

#include <memory>

#include "plugin/ErrorBox.h"
#include "plugin/ModulePath_win.h"
#include "plugin/PluginHeader.h"
#include "plugin/SettingsPathRules.h"
#include "reporting/RefusalHandoff.h"
#include "reporting/U_CheckWinamp.h"
#include "reporting/U_HTTP.h"
#include "settings/U_Settings.h"
#include "ui/U_F_Options.h"

namespace __gnu_cxx {
// Frees what the statically linked C++ runtime allocated for itself (the
// exception emergency pool), which it would otherwise leave in the host's
// heap at every unload.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace vantu {

extern TPluginHeader PluginHeader;

namespace {

// The process-wide instances, one owner each: settings and watcher live from
// init to quit, the dialog from its first showing to the library's unload.
HINSTANCE Module = nullptr;
std::unique_ptr<TSettings> Settings;
std::unique_ptr<TCheckWinamp> Watcher;
std::unique_ptr<TF_Options> F_Options;

// Ends what init started: the watcher first, so no tick runs after it; then
// the reports still in flight, which end promptly (each holds its own
// reference on the library, so the host's FreeLibrary never pulls code from
// under one); then the settings. Nothing is saved here: settings reach the
// file only through OK.
void EndRun() noexcept {
  Watcher.reset();
  CancelReports();
  Settings.reset();
}

}  // namespace

int PluginInit() {
  GuardUiEvent([] {
    Settings = std::make_unique<TSettings>(SettingsPathFor(ExecutablePath()));
    if (Settings->Nickname.empty()) {
      // The dialog is filled from the settings as loaded (Active ticked by
      // default); reporting stays off until the user confirms with OK.
      PluginConfig();
      Settings->Active = false;
    }
    Watcher = std::make_unique<TCheckWinamp>(PluginHeader, *Settings, &PluginConfig);
  });
  return 0;
}

void PluginConfig() {
  GuardUiEvent([] {
    if (!F_Options) F_Options = std::make_unique<TF_Options>(Module, Settings);
    F_Options->Show();
  });
}

void PluginQuit() { EndRun(); }

void PluginLoad(HINSTANCE module) { Module = module; }

void PluginUnload(bool processExiting) {
  if (processExiting) {
    // Timers and windows die with the process; touching them now could block.
    (void)Watcher.release();
    (void)F_Options.release();
    (void)Settings.release();
    return;
  }
  // A host that unloads without quit still gets its timers stopped.
  EndRun();
  F_Options.reset();
  RefusalHandoff().Clear();
  __gnu_cxx::__freeres();
}

}  // namespace vantu
