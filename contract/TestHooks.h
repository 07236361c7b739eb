// Hooks of the test builds only (VANTU_TEST_HOOKS), through which the
// substitute host steers the plug-in from outside.
#pragma once

#include <string>

namespace vantu {

// The substitute host can hold every report worker just before it connects,
// the place where a real worker can hang in name resolution that no cancel
// reaches. While the host owns a manual-reset event of this name, a starting
// worker waits until it is set.
inline std::string ReportHoldEventName(unsigned long processId) {
  return "vantu-hold-reports-" + std::to_string(processId);
}

}  // namespace vantu
