#include "plugin/Lifecycle_win.h"

#include <memory>
#include <string>

#include "base/ErrorBox.h"
#include "base/ExecutablePath.h"
#include "base/ModuleReference_win.h"
#include "contract/HostInterface_win.h"
#include "reporting/NowPlayingWatcher_win.h"
#include "reporting/RefusalHandoff.h"
#include "reporting/ReportWorker.h"
#include "settings/Settings.h"
#include "ui/OptionsDialog_win.h"

namespace vantu {

extern PluginHeader pluginHeader;

namespace {

// The process-wide instances, one owner each, all living from init to quit.
// Every window and every socket of ours is made and ended there, on the
// host's UI thread: the unload may run under the loader lock or on a report
// worker's thread, where neither can be ended safely.
HINSTANCE libraryInstance = nullptr;
std::unique_ptr<Settings> settings;
std::unique_ptr<NowPlayingWatcher> watcher;
std::unique_ptr<OptionsDialog> optionsDialog;
// The run's own reference on the library, from init to quit, so that the last
// reference cannot drop while the run's windows exist: a host that unloads
// without quit leaves us loaded and running until the process ends.
ModuleReference runReference;

// The dialog's share of the refusal hand-off, at its show: a refusal switches
// reporting off, and its text goes to the status bar.
std::string TakeRefusal(bool& active) { return ProcessRefusalHandoff().Look(active, RefusalHandoff::Text::Take); }

// Ends what init started: the watcher first, so no tick runs after it; the
// dialog; then the reports still in flight, which end promptly or, if one
// cannot be reached (a name lookup), unload the library from their own thread
// later, when nothing is left to end; then the settings. Nothing is saved
// here: settings reach the file only through OK.
void EndRun() {
  watcher.reset();
  optionsDialog.reset();
  CancelReports();
  settings.reset();
  // The host still holds its own reference while it calls us, so this one is
  // never the last.
  runReference.Reset();
}

// Starts the run: the settings, the dialog at a first start, the watcher.
// A failure ends it there; what was made so far stays until quit.
Expected<void, Error> StartRun() {
  if (auto taken = runReference.Take("plug-in"); !taken) return taken;
  settings = std::make_unique<Settings>(SettingsPathFor(ExecutablePath()));
  if (settings->Nickname.empty()) {
    // The dialog is filled from the settings as loaded (Active ticked by
    // default); reporting stays off until the user confirms with OK.
    PluginConfig();
    settings->Active = false;
  }
  auto started = NowPlayingWatcher::Start(pluginHeader, *settings, ProcessRefusalHandoff(), &PluginConfig);
  if (!started) return started.Error();
  watcher = std::move(*started);
  return {};
}

}  // namespace

int PluginInit() {
  EndRun();  // a host that loads us again without quit starts afresh
  if (auto started = StartRun(); !started) ShowErrorBox(started.Error().Message());
  return 0;
}

void PluginConfig() {
  // Outside a run there are no settings to edit, and a dialog made then
  // would outlive quit.
  if (!settings) return;
  if (!optionsDialog) {
    auto created = OptionsDialog::Create(libraryInstance, *settings, &TakeRefusal);
    if (!created) {
      ShowErrorBox(created.Error().Message());
      return;
    }
    optionsDialog = std::move(*created);
  }
  optionsDialog->Show();
}

void PluginQuit() { EndRun(); }

void PluginLoad(HINSTANCE instance) { libraryInstance = instance; }

void PluginUnload(bool processExiting) {
  if (processExiting) {
    // Timers and windows die with the process; touching them now could block.
    (void)watcher.release();
    (void)optionsDialog.release();
    (void)settings.release();
    (void)runReference.Release();
    return;
  }
  // Reached only after quit (the run's reference sees to that), so there is
  // no window, timer or socket left to end.
  ProcessRefusalHandoff().Clear();
}

}  // namespace vantu
