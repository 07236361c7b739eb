#include "reporting/RefusalHandoff.h"

#include <utility>

namespace vantu {

void RefusalHandoff::Refuse(std::string text) {
  ScopedLock guard(lock_);
  message_ = std::move(text);
  refused_ = true;
}

void RefusalHandoff::ApplyRefusalTo(bool& active) {
  ScopedLock guard(lock_);
  if (refused_) active = false;
  refused_ = false;
}

std::string RefusalHandoff::PendingMessage() const {
  ScopedLock guard(lock_);
  return message_;
}

std::string RefusalHandoff::TakePendingMessage() {
  ScopedLock guard(lock_);
  return std::exchange(message_, std::string());
}

void RefusalHandoff::Clear() {
  ScopedLock guard(lock_);
  message_.clear();
  refused_ = false;
}

namespace {
RefusalHandoff handoff;
}  // namespace

RefusalHandoff& ProcessRefusalHandoff() { return handoff; }

}  // namespace vantu
