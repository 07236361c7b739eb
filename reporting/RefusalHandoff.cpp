#include "reporting/RefusalHandoff.h"

#include <utility>

namespace vantu {

void TRefusalHandoff::Refuse(std::string text) {
  ScopedLock guard(lock_);
  message_ = std::move(text);
  refused_ = true;
}

void TRefusalHandoff::ApplyRefusalTo(bool& active) {
  ScopedLock guard(lock_);
  if (refused_) active = false;
  refused_ = false;
}

std::string TRefusalHandoff::PendingMessage() const {
  ScopedLock guard(lock_);
  return message_;
}

std::string TRefusalHandoff::TakePendingMessage() {
  ScopedLock guard(lock_);
  return std::exchange(message_, std::string());
}

void TRefusalHandoff::Clear() {
  ScopedLock guard(lock_);
  message_.clear();
  refused_ = false;
}

namespace {
// Built at load and destroyed at unload with the library's other globals;
// every worker keeps the library loaded, so none can outlive it.
TRefusalHandoff handoff;
}  // namespace

TRefusalHandoff& RefusalHandoff() { return handoff; }

}  // namespace vantu
