#include "base/ModuleReference_win.h"

#include <string>

namespace vantu {

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

Expected<void, Error> ModuleReference::Take(const char* holder) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ThisModule), &module)) {
    return Error(std::string(holder) + ": no module reference");
  }
  module_ = UniqueHandle<HMODULE, GiveBackModule>(module);
  return {};
}

}  // namespace vantu
