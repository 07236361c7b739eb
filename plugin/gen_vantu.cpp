// The library's entry points: the one export the host looks up, the header
// record it returns, and DllMain.
#include <windows.h>

#include "contract/HostInterface_win.h"
#include "plugin/CppRuntime_win.h"
#include "plugin/Lifecycle_win.h"

namespace vantu {

// Writable: the host fills in HostWindow and LibraryInstance before init.
PluginHeader pluginHeader = {
    PluginHeaderVersion, "vantu.fm Plugin", &PluginInit, &PluginConfig, &PluginQuit, nullptr, nullptr,
};

}  // namespace vantu

extern "C" vantu::PluginHeader* winampGetGeneralPurposePlugin() { return &vantu::pluginHeader; }

// Thread notifications stay on: a thread's exception state is freed when
// the thread ends.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    vantu::StartExceptionStates();
    vantu::PluginLoad(instance);
  } else if (reason == DLL_THREAD_DETACH) {
    vantu::EndThreadExceptionState();
  } else if (reason == DLL_PROCESS_DETACH) {
    const bool processExiting = reserved != nullptr;
    vantu::PluginUnload(processExiting);
    // At the process's end other threads may still be inside a throw.
    if (!processExiting) vantu::EndExceptionStates();
  }
  return TRUE;
}
