#include "Later.h"

#include <utility>

namespace vantu::host {

bool Later::Run(unsigned afterMs, std::function<void()> job) {
  Wait();
  afterMs_ = afterMs;
  job_ = std::move(job);
  thread_ = KernelHandle(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
  return static_cast<bool>(thread_);
}

DWORD WINAPI Later::ThreadMain(void* self) {
  Later& later = *static_cast<Later*>(self);
  Sleep(later.afterMs_);
  later.job_();
  return 0;
}

void Later::Wait() {
  if (thread_) WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Reset();
}

}  // namespace vantu::host
