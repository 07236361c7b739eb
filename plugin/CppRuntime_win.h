// What DllMain tells the C++ runtime replacements of CppRuntime_win.cpp:
// the per-thread exception state lives in a thread-local storage slot of
// the DLL's own, given back with everything in it at unload.
#pragma once

namespace vantu {

void StartExceptionStates() noexcept;       // at DLL_PROCESS_ATTACH
void EndThreadExceptionState() noexcept;    // at DLL_THREAD_DETACH
void EndExceptionStates() noexcept;         // at an unload (not at the process's end)

}  // namespace vantu
