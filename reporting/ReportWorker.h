// Report workers: one thread per listen-in report, each with its own HTTP
// client. A worker owns itself and ends on its own; its only way back is a
// refusal handed over through the refusal hand-off.
#pragma once

#include <string>

#include "base/Error.h"
#include "base/Expected.h"
#include "reporting/RefusalHandoff.h"

namespace vantu {

// Starts one worker for url, which hands the service's refusal to refusals
// (the process-wide one: a worker may finish after quit). Each worker keeps
// the DLL loaded until its thread has ended, so the host may unload it under
// a running request. Fails when the thread cannot be started.
Expected<void, Error> StartReport(std::string url, RefusalHandoff& refusals);

// Cancels every request still in flight (closing its socket) and waits a
// short while for the workers to finish. Called at PluginQuit after the
// watcher is gone, so no new worker starts meanwhile.
void CancelReports();

}  // namespace vantu
