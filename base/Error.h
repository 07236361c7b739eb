// A failure that the user may be shown: its message, as it goes into the
// error box. The HTTP layer and the settings store have failure types of
// their own, with more to say than a text.
#pragma once

#include <string>
#include <utility>

namespace vantu {

class Error {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace vantu
