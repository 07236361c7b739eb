// Runs one job at a time on a thread of the host's after a delay: the
// script's next command may hold the host's own thread inside the plug-in
// (Verify holds it), so what must happen meanwhile cannot wait for it.
#pragma once

#include <functional>

#include "base/Handles_win.h"

namespace vantu::host {

class Later {
 public:
  Later() = default;
  ~Later() { Wait(); }  // a job still to come runs first
  Later(const Later&) = delete;
  Later& operator=(const Later&) = delete;

  // Waits for the job before, then runs job afterMs from now; false when
  // the system gives no thread.
  bool Run(unsigned afterMs, std::function<void()> job);
  // Until the job to come, if any, has run.
  void Wait();

 private:
  static DWORD WINAPI ThreadMain(void* self);

  unsigned afterMs_ = 0;
  std::function<void()> job_;
  KernelHandle thread_;
};

}  // namespace vantu::host
