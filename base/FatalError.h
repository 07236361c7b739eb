// The one way out for what cannot fail gracefully: memory that runs out, a
// length beyond what a container can hold, a pure virtual call, the value of
// a failed outcome read. Without exceptions there is no caller to hand such
// a failure to, so the process ends, as GCC's runtime ends it when it is
// built without exceptions. On Windows the reason goes to the debugger's
// output (OutputDebugStringA) and the process ends at once with exit code 3,
// abort()'s code, without the C runtime's message box and without running
// the host's signal handlers or anyone's DLL notifications; elsewhere it is
// printed on stderr before abort().
#pragma once

namespace vantu {

[[noreturn]] void FatalError(const char* reason) noexcept;

}  // namespace vantu
