// The text of the range errors that the C++ library's templates report
// through std::__throw_out_of_range_fmt, which the DLL defines itself
// (plugin/CppRuntime_win.cpp); a plain function so that it is tested
// natively beside the library's own texts.
#pragma once

#include <cstdarg>
#include <string>

namespace vantu {

// format with its %s and %zu filled in from arguments and %% as "%", as the
// library's own formatter does; the library's formats use nothing else.
std::string LibraryErrorText(const char* format, va_list arguments);

}  // namespace vantu
