// Our own definitions of the few functions of the statically linked C++
// runtime that the plug-in still needs: every source of ours is compiled
// without exceptions, and these see to it that nothing of the runtime that
// throws, and so nothing of its unwinder, is linked in (the test command
// checks the link map). The linker takes a function from here before it
// looks into libstdc++.a or libsupc++.a. Whatever they cannot do ends on
// the one fatal path, FatalError. Linked into the DLL only; every other
// program keeps the runtime as it is.
#include <cstddef>
#include <cstdlib>
#include <new>

#include "base/FatalError.h"

namespace {

void* Allocate(std::size_t size) {
  // malloc(0) may return null, which is no failure here.
  void* block = std::malloc(size ? size : 1);
  if (!block) vantu::FatalError("out of memory");
  return block;
}

}  // namespace

// The runtime's throwing new would bring std::bad_alloc and the throw.
void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
// The library asks with these where it can do without (std::stable_sort's
// buffer); the runtime's versions catch the throwing new's bad_alloc.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace std {

// What the library's templates (string, vector, optional, ...) call where
// they would throw: a length beyond max_size() or an index out of range, a
// program error or memory that cannot be had.
[[noreturn]] void __throw_logic_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_domain_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_invalid_argument(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_length_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_out_of_range(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_runtime_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_range_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_overflow_error(const char* text) { vantu::FatalError(text); }
[[noreturn]] void __throw_underflow_error(const char* text) { vantu::FatalError(text); }
// The format's values are left out: the text goes to a debugger at most.
[[noreturn]] void __throw_out_of_range_fmt(const char* format, ...) { vantu::FatalError(format); }
[[noreturn]] void __throw_bad_exception() { vantu::FatalError("bad exception"); }
[[noreturn]] void __throw_bad_alloc() { vantu::FatalError("out of memory"); }
[[noreturn]] void __throw_bad_array_new_length() { vantu::FatalError("bad array new length"); }
[[noreturn]] void __throw_bad_cast() { vantu::FatalError("bad cast"); }
[[noreturn]] void __throw_bad_typeid() { vantu::FatalError("bad typeid"); }
[[noreturn]] void __throw_bad_function_call() { vantu::FatalError("bad function call"); }

}  // namespace std

// A pure virtual function called while its object is made or destroyed.
// The runtime's version goes through std::terminate and its handlers.
extern "C" [[noreturn]] void __cxa_pure_virtual() { vantu::FatalError("pure virtual call"); }
