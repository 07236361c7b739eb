// The three entries the host calls through the header record, and the
// library's load and unload. Every process-wide object is owned here.
#pragma once

#include <windows.h>

namespace vantu {

// Init starts the run and quit ends it, both on the host's UI thread; config
// between the two shows the dialog and does nothing outside a run.
int PluginInit();
void PluginConfig();
void PluginQuit();

// DllMain's halves. processExiting: the whole process is going down (the
// other threads are already gone), so windows are left to the system.
void PluginLoad(HINSTANCE module);
void PluginUnload(bool processExiting);

}  // namespace vantu
