// What the response reading needs of a connection: bytes, with a limit on
// each wait, and the clock those limits are counted on. The socket back ends
// implement it; tests feed scripted bytes on a clock of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/MonotonicClock.h"
#include "service/HttpError.h"

namespace vantu::http {

class ByteSource {
 public:
  // Waits at most timeoutMs for the next bytes; gives how many came, 0 when
  // the stream has ended. Fails with ReadTimeout when none came in time,
  // Socket when the connection failed.
  virtual HttpExpected<std::size_t> Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) = 0;

  // Milliseconds on a clock that only moves forward: the reader's deadlines
  // are points on it.
  virtual std::uint64_t NowMs() const { return MonotonicMs(); }

 protected:
  ~ByteSource() = default;
};

}  // namespace vantu::http
