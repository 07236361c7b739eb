// Our own definitions of a few functions of the statically linked C++
// runtime. The linker takes a function from here before it looks into
// libstdc++.a, so the archive members that define the runtime's versions,
// and everything those pull in, stay out of the DLL (scripts/bench shows
// what is left). Linked into the DLL only; every other program keeps the
// runtime as it is.
#include <cstdarg>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

#include "base/Error.h"
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
