#include <windows.h>

#include "plugin/ErrorBox.h"
#include "plugin/ErrorBoxRules.h"
#include "plugin/ModulePath_win.h"

namespace vantu {

void ShowErrorBox(const std::string& message) {
  // No owner: the box disables the thread's top-level windows (the host's too)
  // while it is up and restores them, with the active window, afterwards.
  MessageBoxA(nullptr, ErrorBoxText(message).c_str(), ErrorBoxCaption(ExecutablePath()).c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace vantu
