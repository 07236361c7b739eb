// A lock for data that threads share. On Windows it is an SRW lock, which
// needs no set-up or clean-up and so is safe in a library that is loaded and
// unloaded; the native build (tests, sanitizers) uses std::mutex, which TSan
// understands.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace vantu {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

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

class ScopedLock {
 public:
  explicit ScopedLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~ScopedLock() { lock_.Release(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace vantu
