#include "service/Socket.h"

#include "base/MonotonicClock.h"

namespace vantu::net {

Deadline::Deadline(unsigned ms) : endMs_(MonotonicMs() + (ms == kForever ? 0 : ms)), unlimited_(ms == kForever) {}

unsigned Deadline::LeftMs() const {
  if (unlimited_) return kForever;
  const std::uint64_t now = MonotonicMs();
  if (now >= endMs_) return 0;
  // Below kForever, since the limit it started with was.
  return static_cast<unsigned>(endMs_ - now);
}

unsigned Deadline::LeftMsOrTimeOut() const {
  const unsigned left = LeftMs();
  if (left == 0) throw HttpError::Socket(kTimedOut);
  return left;
}

void FailUnlessReady(Wait wait) {
  if (wait == Wait::TimedOut) throw HttpError::Socket(kTimedOut);
  if (wait == Wait::Cancelled) throw HttpError::Socket(kConnectionAborted);
}

void TcpConnection::SendAll(const std::string& bytes, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int error = 0;
    const long count = SendSome(bytes.data() + sent, bytes.size() - sent, error);
    if (count >= 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (error) throw HttpError::Socket(error);
    FailUnlessReady(WaitReady(Direction::Send, deadline.LeftMsOrTimeOut()));
  }
}

std::size_t TcpConnection::Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  for (;;) {
    if (cancel_.IsSet()) throw HttpError::Socket(kConnectionAborted);
    int error = 0;
    const long count = ReceiveSome(buffer, capacity, error);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (error) throw HttpError::Socket(error);
    const unsigned left = deadline.LeftMs();
    if (left == 0) throw HttpError(HttpFailure::ReadTimeout);
    switch (WaitReady(Direction::Receive, left)) {
      case Wait::Ready:
        break;
      case Wait::TimedOut:
        throw HttpError(HttpFailure::ReadTimeout);
      case Wait::Cancelled:
        throw HttpError::Socket(kConnectionAborted);
    }
  }
}

}  // namespace vantu::net
