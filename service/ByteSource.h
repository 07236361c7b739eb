// What the response reading needs of a connection: bytes, with a limit on
// each wait. The socket back ends implement it; tests feed scripted bytes.
#pragma once

#include <cstddef>

namespace vantu::http {

struct ReceiveResult {
  enum class Kind { Data, Closed, TimedOut, Failed };
  Kind kind = Kind::Closed;
  std::size_t bytes = 0;  // for Data
  int error = 0;          // for Failed: a Windows Sockets error number
};

class ByteSource {
 public:
  // Waits at most timeoutMs for the next bytes.
  virtual ReceiveResult Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) = 0;

 protected:
  ~ByteSource() = default;
};

}  // namespace vantu::http
