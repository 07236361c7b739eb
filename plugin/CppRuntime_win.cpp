// Our own definitions of a few functions of the statically linked C++
// runtime. The linker takes a function from here before it looks into
// libstdc++.a, so the archive members that define the runtime's versions,
// and everything those pull in, stay out of the DLL (scripts/bench shows
// what is left). Linked into the DLL only; every other program keeps the
// runtime as it is.
#include "plugin/CppRuntime_win.h"

#include <windows.h>

#include <cstdarg>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <new>
#include <typeinfo>

#include "base/Error.h"
#include "base/Lock.h"
#include "plugin/LibraryErrorText.h"

namespace __gnu_cxx {

// std::terminate's default handler. GCC's version names the uncaught
// exception's type on stderr, which needs its name demangler (46 KB);
// inside a player nobody sees stderr, so this one only ends the process,
// as GCC's does after printing.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

// What the library's templates (string, vector, optional, ...) call to
// throw. GCC's versions throw std::length_error and its kin, whose
// message is an old-ABI copy-on-write string: they would bring that whole
// second string implementation (41 KB). These throw the same what() text
// as a vantu::Error, which every handler of ours catches as a
// std::exception, as it did those. Only reached on a program error or on
// a length beyond max_size().

[[noreturn]] void __throw_logic_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_domain_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_invalid_argument(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_length_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_out_of_range(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_runtime_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_range_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_overflow_error(const char* text) { throw vantu::Error(text); }
[[noreturn]] void __throw_underflow_error(const char* text) { throw vantu::Error(text); }

[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) {
  struct Arguments {
    va_list list;
    ~Arguments() { va_end(list); }
  } arguments;
  va_start(arguments.list, format);
  throw vantu::Error(vantu::LibraryErrorText(format, arguments.list));
}

// These carry no text: the library's own classes, which need no string.
[[noreturn]] void __throw_bad_exception() { throw std::bad_exception(); }
[[noreturn]] void __throw_bad_alloc() { throw std::bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
[[noreturn]] void __throw_bad_cast() { throw std::bad_cast(); }
[[noreturn]] void __throw_bad_typeid() { throw std::bad_typeid(); }

}  // namespace std

// The exception support's per-thread state: the exceptions caught and not
// yet finished, and how many are in flight. The runtime keeps it in emulated
// thread-local storage (emutls.o), whose lock is a semaphore made at the
// first throw and never closed: every load in which anything threw left one
// behind in the host. These two functions take the runtime's place; each
// thread's state is made at its first throw and freed when the thread ends
// or the DLL is unloaded.
namespace __cxxabiv1 {

// The runtime's layout of it (libsupc++'s unwind-cxx.h).
struct __cxa_eh_globals {
  void* caughtExceptions;
  unsigned int uncaughtExceptions;
};

}  // namespace __cxxabiv1

namespace vantu {
namespace {

struct ThreadExceptionState {
  __cxxabiv1::__cxa_eh_globals globals;
  ThreadExceptionState* previous;
  ThreadExceptionState* next;
};

DWORD stateSlot = TLS_OUT_OF_INDEXES;
Lock statesLock;
ThreadExceptionState* states = nullptr;  // every thread's, for the unload to free
// For a thread that can have no state of its own (no slot, no memory): shared,
// which is only wrong while two such threads throw at once.
__cxxabiv1::__cxa_eh_globals sharedState;

// This thread's state, made at its first call; null when none can be had.
ThreadExceptionState* ThisThreadsState() {
  auto* state = static_cast<ThreadExceptionState*>(TlsGetValue(stateSlot));
  if (state) return state;
  state = static_cast<ThreadExceptionState*>(std::calloc(1, sizeof(ThreadExceptionState)));
  if (!state || !TlsSetValue(stateSlot, state)) {
    std::free(state);
    return nullptr;
  }
  ScopedLock guard(statesLock);
  state->next = states;
  if (states) states->previous = state;
  states = state;
  return state;
}

void Unlink(ThreadExceptionState* state) {
  ScopedLock guard(statesLock);
  if (state->previous) state->previous->next = state->next;
  else states = state->next;
  if (state->next) state->next->previous = state->previous;
}

}  // namespace

void StartExceptionStates() noexcept { stateSlot = TlsAlloc(); }

void EndThreadExceptionState() noexcept {
  if (stateSlot == TLS_OUT_OF_INDEXES) return;
  auto* state = static_cast<ThreadExceptionState*>(TlsGetValue(stateSlot));
  if (!state) return;
  TlsSetValue(stateSlot, nullptr);
  Unlink(state);
  std::free(state);
}

void EndExceptionStates() noexcept {
  if (stateSlot == TLS_OUT_OF_INDEXES) return;
  while (states) {
    ThreadExceptionState* state = states;
    states = state->next;
    std::free(state);
  }
  TlsFree(stateSlot);
  stateSlot = TLS_OUT_OF_INDEXES;
}

}  // namespace vantu

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  if (vantu::stateSlot == TLS_OUT_OF_INDEXES) return &vantu::sharedState;
  // A throw must not change what GetLastError says; TlsGetValue resets it.
  const DWORD lastError = GetLastError();
  vantu::ThreadExceptionState* state = vantu::ThisThreadsState();
  SetLastError(lastError);
  return state ? &state->globals : &vantu::sharedState;
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept { return __cxa_get_globals(); }

}  // namespace __cxxabiv1
