#include "plugin/LibraryErrorText.h"

#include <cstddef>

namespace vantu {

std::string LibraryErrorText(const char* format, va_list arguments) {
  std::string text;
  for (const char* c = format; *c; ++c) {
    if (c[0] == '%' && c[1] == 's') {
      text += va_arg(arguments, const char*);
      c += 1;
    } else if (c[0] == '%' && c[1] == 'z' && c[2] == 'u') {
      text += std::to_string(va_arg(arguments, std::size_t));
      c += 2;
    } else if (c[0] == '%' && c[1] == '%') {
      text += '%';
      c += 1;
    } else {
      text += *c;
    }
  }
  return text;
}

}  // namespace vantu
