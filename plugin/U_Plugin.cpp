#include "plugin/U_Plugin.h"

#include <memory>

#include "base/Error.h"
#include "base/ErrorBox.h"
#include "base/ModulePath.h"
#include "base/ModuleReference_win.h"
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

// The process-wide instances, one owner each, all living from init to quit.
// Every window and every socket of ours is made and ended there, on the
// host's UI thread: the unload may run under the loader lock or on a report
// worker's thread, where neither can be ended safely.
HINSTANCE Module = nullptr;
std::unique_ptr<TSettings> Settings;
std::unique_ptr<TCheckWinamp> Watcher;
std::unique_ptr<TF_Options> F_Options;
// The run's own reference on the library, from init to quit, so that the last
// reference cannot drop while the run's windows exist: a host that unloads
// without quit leaves us loaded and running until the process ends.
ModuleReference RunReference;

// Ends what init started: the watcher first, so no tick runs after it; the
// dialog; then the reports still in flight, which end promptly or, if one
// cannot be reached (a name lookup), unload the library from their own thread
// later, when nothing is left to end; then the settings. Nothing is saved
// here: settings reach the file only through OK.
void EndRun() noexcept {
  Watcher.reset();
  F_Options.reset();
  CancelReports();
  Settings.reset();
  // The host still holds its own reference while it calls us, so this one is
  // never the last.
  RunReference.Reset();
}

}  // namespace

int PluginInit() {
  GuardUiEvent([] {
    EndRun();  // a host that loads us again without quit starts afresh
    RunReference = ModuleReference("plug-in");
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
  // Outside a run there are no settings to edit, and a dialog made then
  // would outlive quit.
  if (!Settings) return;
  GuardUiEvent([] {
    if (!F_Options) F_Options = std::make_unique<TF_Options>(Module, *Settings);
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
    (void)RunReference.Release();
    return;
  }
  // Reached only after quit (the run's reference sees to that), so there is
  // no window, timer or socket left to end.
  RefusalHandoff().Clear();
  __gnu_cxx::__freeres();
}

}  // namespace vantu
