// Hooks of the test builds only (VANTU_TEST_HOOKS), through which the
// substitute host steers the plug-in from outside.
#pragma once

#include <windows.h>

#include <string>

namespace vantu {

// The substitute host can hold every report worker just before it connects,
// the place where a real worker can hang in name resolution that no cancel
// reaches. While the host owns a manual-reset event of this name, a starting
// worker waits until it is set.
inline std::string ReportHoldEventName(unsigned long processId) {
  return "vantu-hold-reports-" + std::to_string(processId);
}

// Likewise every name lookup, on the thread that runs it, as a resolver that
// does not answer would.
inline std::string LookupHoldEventName(unsigned long processId) {
  return "vantu-hold-lookups-" + std::to_string(processId);
}

// Waits while the host holds the event of that name (returns at once when
// it holds none), deaf to every cancel.
inline void WaitWhileTheHostHolds(const std::string& eventName) {
  HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, eventName.c_str());
  if (!hold) return;
  WaitForSingleObject(hold, INFINITE);
  CloseHandle(hold);
}

}  // namespace vantu
