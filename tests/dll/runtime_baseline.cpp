// The smallest plug-in built like ours: same toolchain, same statically
// linked C++ runtime, one global with a destructor, entries that do nothing.
// Loading and unloading it shows what the runtime itself costs per load, so
// the cycle test can tell our leaks from the runtime's.
#include <windows.h>

#include <string>

#include "contract/HostInterface_win.h"

namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace {

int Init() { return 0; }
void Nothing() {}

vantu::PluginHeader Header = {vantu::PluginHeaderVersion, "runtime baseline Plugin", &Init, &Nothing,
                               &Nothing, nullptr, nullptr};
std::string GlobalText = "pulls in the C++ runtime's start-up and clean-up";

}  // namespace

extern "C" vantu::PluginHeader* winampGetGeneralPurposePlugin() { return &Header; }

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
  return TRUE;
}
