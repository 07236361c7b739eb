#include "base/FatalError.h"

#include <windows.h>

namespace vantu {

void FatalError(const char* reason) noexcept {
  OutputDebugStringA("fatal: ");
  OutputDebugStringA(reason);
  OutputDebugStringA("\n");
  TerminateProcess(GetCurrentProcess(), 3);
  // TerminateProcess on the own process does not return; should it ever,
  // nothing of this thread may run on.
  for (;;) Sleep(INFINITE);
}

}  // namespace vantu
