// The one process-wide refusal hand-off, which the report workers write and
// the watcher and the dialog read.
#pragma once

#include "settings/RefusalHandoff.h"

namespace vantu {

// Built at load and destroyed at unload with the library's other globals:
// it outlives quit, since report workers may still finish after it, and
// every worker keeps the library loaded, so none can outlive it.
RefusalHandoff& ProcessRefusalHandoff();

}  // namespace vantu
