#include "base/FatalError.h"

#include <cstdio>
#include <cstdlib>

namespace vantu {

void FatalError(const char* reason) noexcept {
  std::fprintf(stderr, "fatal: %s\n", reason);
  std::abort();
}

}  // namespace vantu
