// The one lock type of the reporting code. In the DLL it is a Windows SRW
// lock, which needs no set-up or clean-up and so is safe in a library that is
// loaded and unloaded; the native build (tests, sanitizers) uses std::mutex,
// which TSan understands.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace vantu {

class TLock {
 public:
  TLock() = default;
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

#ifdef _WIN32
  void Acquire() { AcquireSRWLockExclusive(&lock_); }
  void Release() { ReleaseSRWLockExclusive(&lock_); }
  // Held by the caller: lets go while it waits for condition (at most
  // milliseconds) and holds the lock again on return.
  void Wait(CONDITION_VARIABLE& condition, DWORD milliseconds) {
    SleepConditionVariableSRW(&condition, &lock_, milliseconds, 0);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
#else
  void Acquire() { lock_.lock(); }
  void Release() { lock_.unlock(); }

 private:
  std::mutex lock_;
#endif
};

class TLockGuard {
 public:
  explicit TLockGuard(TLock& lock) : lock_(lock) { lock_.Acquire(); }
  ~TLockGuard() { lock_.Release(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TLock& lock_;
};

}  // namespace vantu
