// A reference on the module that holds this code, so that it stays mapped
// while something of it still runs (a thread of its own, or work that spans
// several calls from whoever loaded it).
#pragma once

#include <windows.h>

#include "base/Error.h"
#include "base/Expected.h"
#include "base/Handles_win.h"

namespace vantu {

// The module that holds this code, without taking a reference.
HMODULE ThisModule();

inline void GiveBackModule(HMODULE module) { FreeLibrary(module); }

// Given back on destruction and on reassignment; moves, never copies.
class ModuleReference {
 public:
  // Takes a reference on ThisModule() for holder, giving back any it held;
  // fails with "<holder>: no module reference" when none can be had.
  Expected<void, Error> Take(const char* holder);
  // Gives the reference back now (FreeLibrary).
  void Reset() { module_.Reset(); }
  // Hands the reference to a call that gives it back itself
  // (FreeLibraryAndExitThread), or to the process's end; holds none after.
  [[nodiscard]] HMODULE Release() { return module_.Release(); }

 private:
  UniqueHandle<HMODULE, GiveBackModule> module_;
};

}  // namespace vantu
