// The library's entry points: the one export the host looks up, the header
// record it returns, and DllMain.
#include <windows.h>

#include "contract/HostInterface_win.h"
#include "plugin/Lifecycle_win.h"

namespace vantu {

// Writable: the host fills in HostWindow and LibraryInstance before init.
PluginHeader pluginHeader = {
    PluginHeaderVersion, "vantu.fm Plugin", &PluginInit, &PluginConfig, &PluginQuit, nullptr, nullptr,
};

}  // namespace vantu

extern "C" vantu::PluginHeader* winampGetGeneralPurposePlugin() { return &vantu::pluginHeader; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Nothing of ours keeps per-thread state: the player's thread starts
    // and ends need not run through here.
    DisableThreadLibraryCalls(instance);
    vantu::PluginLoad(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    vantu::PluginUnload(reserved != nullptr);
  }
  return TRUE;
}
