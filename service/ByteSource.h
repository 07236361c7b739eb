// What the response reading needs of a connection: bytes, with a limit on
// each wait, and the clock those limits are counted on. The socket back ends
// implement it; tests feed scripted bytes on a clock of their own.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "service/HttpError.h"

namespace vantu::http {

class ByteSource {
 public:
  // Waits at most timeoutMs for the next bytes; returns how many came, 0
  // when the stream has ended. Throws HttpError: ReadTimeout when none came
  // in time, Socket when the connection failed.
  virtual std::size_t Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) = 0;

  // Milliseconds on a steady clock: the reader's deadlines are points on it.
  virtual std::uint64_t NowMs() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }

 protected:
  ~ByteSource() = default;
};

}  // namespace vantu::http
