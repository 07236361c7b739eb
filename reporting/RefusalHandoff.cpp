#include "reporting/RefusalHandoff.h"

#include <utility>

namespace vantu {

void RefusalHandoff::Refuse(std::string text) {
  ScopedLock guard(lock_);
  message_ = std::move(text);
  refused_ = true;
}

std::string RefusalHandoff::Look(bool& active, Text text) {
  ScopedLock guard(lock_);
  if (refused_) active = false;
  refused_ = false;
  return text == Text::Take ? std::exchange(message_, std::string()) : message_;
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
