// The least an init can do, built like ours: find the settings file beside
// the player's executable, read its three values with
// GetPrivateProfileStringA and start one timer. scripts/bench times
// LoadLibraryA to the return of init for this library beside ours, so that
// the ratio shows what our load and init cost beyond what they must do.
#include <windows.h>

#include "contract/HostInterface_win.h"

namespace {

UINT_PTR Timer = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

int Init() {
  char path[MAX_PATH + 32];
  DWORD folder = GetModuleFileNameA(nullptr, path, MAX_PATH);
  while (folder > 0 && path[folder - 1] != '\\') --folder;
  lstrcpyA(path + folder, "Plugins\\gen_vantu.ini");
  char value[2048];
  const char* const keys[] = {"Active", "Nickname", "Password"};
  for (const char* key : keys) GetPrivateProfileStringA("Main", key, "", value, sizeof value, path);
  Timer = SetTimer(nullptr, 0, 5000, &Tick);
  return 0;
}

void Config() {}

void Quit() {
  if (Timer) KillTimer(nullptr, Timer);
  Timer = 0;
}

vantu::PluginHeader Header = {vantu::PluginHeaderVersion, "init baseline Plugin", &Init, &Config, &Quit,
                               nullptr, nullptr};

}  // namespace

extern "C" vantu::PluginHeader* winampGetGeneralPurposePlugin() { return &Header; }
