#include "base/ExecutablePath.h"

#include <windows.h>

#include <vector>

namespace vantu {

std::string ExecutablePath() {
  // GetModuleFileNameA fills the buffer to the brim without failing when the
  // path is longer, so grow it until the path fits with room to spare.
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size() - 1) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace vantu
