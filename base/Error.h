// The base of our own exceptions. Not std::runtime_error: GCC's
// std::runtime_error keeps its text in the old ABI's copy-on-write string,
// and throwing one statically links that whole second string
// implementation into the DLL.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vantu {

class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  // The text shown to the user.
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

}  // namespace vantu
