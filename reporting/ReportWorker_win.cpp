#include "reporting/ReportWorker.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "base/Deadline.h"
#include "base/Lock.h"
#include "base/ModuleReference_win.h"
#include "service/HttpClient.h"
#include "vantu_config.h"

#if VANTU_TEST_HOOKS
#include "contract/TestHooks_win.h"
#endif

namespace vantu {

namespace {

constexpr unsigned CancelWaitMs = 3000;

}  // namespace

// One report on a thread of its own. It owns itself: the thread deletes it
// when its request has ended.
class ReportWorker {
 public:
  static Expected<void, Error> Start(std::string url, RefusalHandoff& refusals);

  void Cancel() {
    cancelled_ = true;
    client_.Cancel();
  }

 private:
  ReportWorker(std::string url, RefusalHandoff& refusals) : url_(std::move(url)), refusals_(refusals) {}
  static DWORD WINAPI ThreadMain(void* parameter);
  void Execute();

  std::string url_;
  RefusalHandoff& refusals_;
  HttpClient client_;
  ModuleReference module_;  // keeps our code mapped while the thread runs
  std::atomic<bool> cancelled_ = false;
};

namespace {

// The workers in flight, so that quitting can cancel them. A worker leaves
// the list under the lock before it is freed, so Cancel never meets a freed
// one.
class ReportWorkers {
 public:
  void Add(ReportWorker* worker) {
    ScopedLock guard(lock_);
    workers_.push_back(worker);
  }

  void Remove(ReportWorker* worker) {
    ScopedLock guard(lock_);
    workers_.erase(std::remove(workers_.begin(), workers_.end(), worker), workers_.end());
    if (workers_.empty()) WakeAllConditionVariable(&empty_);
  }

  // A cancelled client fails its call in flight and every later one at
  // once, so cancelling each worker once is enough; the wait only lets them
  // reach their end before the host unloads us.
  void CancelAndWait(unsigned timeoutMs) {
    const Deadline deadline(timeoutMs);
    ScopedLock guard(lock_);
    for (ReportWorker* worker : workers_) worker->Cancel();
    while (!workers_.empty() && !deadline.Passed()) lock_.Wait(empty_, deadline.LeftMs());
  }

 private:
  Lock lock_;
  CONDITION_VARIABLE empty_ = CONDITION_VARIABLE_INIT;
  std::vector<ReportWorker*> workers_;
};

ReportWorkers registry;

}  // namespace

Expected<void, Error> ReportWorker::Start(std::string url, RefusalHandoff& refusals) {
  std::unique_ptr<ReportWorker> worker(new ReportWorker(std::move(url), refusals));
  // Taken before the thread exists, so the library cannot be unloaded
  // between CreateThread and the thread's first instruction; a failure
  // below gives it back with the worker.
  if (auto taken = worker->module_.Take("report worker"); !taken) return taken;
  registry.Add(worker.get());
  HANDLE thread = CreateThread(nullptr, 0, &ReportWorker::ThreadMain, worker.get(), 0, nullptr);
  if (!thread) {
    registry.Remove(worker.get());
    return Error("report worker: thread not started");
  }
  worker.release();  // the thread owns it from here on
  CloseHandle(thread);
  return {};
}

DWORD WINAPI ReportWorker::ThreadMain(void* parameter) {
  auto* worker = static_cast<ReportWorker*>(parameter);
  worker->Execute();
  registry.Remove(worker);
  ModuleReference module = std::move(worker->module_);
  // Its sockets and its hold on Windows Sockets end here, before the
  // reference: the unload this thread may run is under the loader lock.
  delete worker;
  // Drops our reference and ends the thread without returning into code the
  // unload may just have unmapped.
  FreeLibraryAndExitThread(module.Release(), 0);
}

void ReportWorker::Execute() {
#if VANTU_TEST_HOOKS
  WaitWhileTheHostHolds(ReportHoldEventName(GetCurrentProcessId()));  // as a stuck worker would
#endif
  std::string answer;
  // Every failure is dropped; a 2xx body cut short leaves its leading part
  // in answer, and that still counts as the service's answer.
  (void)HttpGetText(client_, url_, answer);
  // A request we cancelled ourselves at quit is no answer of the service.
  if (answer.empty() || cancelled_) return;
  refusals_.Refuse(std::move(answer));
}

Expected<void, Error> StartReport(std::string url, RefusalHandoff& refusals) {
  return ReportWorker::Start(std::move(url), refusals);
}

void CancelReports() { registry.CancelAndWait(CancelWaitMs); }

}  // namespace vantu
