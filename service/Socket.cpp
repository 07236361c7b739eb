#include "service/Socket.h"

namespace vantu::net {

Deadline::Deadline(unsigned ms)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms == kForever ? 0 : ms)),
      unlimited_(ms == kForever) {}

unsigned Deadline::LeftMs() const {
  if (unlimited_) return kForever;
  const auto left = end_ - std::chrono::steady_clock::now();
  if (left <= left.zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms >= static_cast<long long>(kForever) ? kForever - 1 : static_cast<unsigned>(ms);
}

int TcpConnection::SendAll(const std::string& bytes, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int error = 0;
    const long count = SendSome(bytes.data() + sent, bytes.size() - sent, error);
    if (count >= 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (error) return error;
    const unsigned left = deadline.LeftMs();
    if (left == 0) return kTimedOut;
    if (const int failed = ErrorOf(WaitReady(Direction::Send, left))) return failed;
  }
  return 0;
}

http::ReceiveResult TcpConnection::Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) {
  using Kind = http::ReceiveResult::Kind;
  const Deadline deadline(timeoutMs);
  for (;;) {
    if (cancel_.IsSet()) return {Kind::Failed, 0, kConnectionAborted};
    int error = 0;
    const long count = ReceiveSome(buffer, capacity, error);
    if (count > 0) return {Kind::Data, static_cast<std::size_t>(count), 0};
    if (count == 0) return {Kind::Closed, 0, 0};
    if (error) return {Kind::Failed, 0, error};
    const unsigned left = deadline.LeftMs();
    if (left == 0) return {Kind::TimedOut, 0, 0};
    switch (WaitReady(Direction::Receive, left)) {
      case Wait::Ready:
        break;
      case Wait::TimedOut:
        return {Kind::TimedOut, 0, 0};
      case Wait::Cancelled:
        return {Kind::Failed, 0, kConnectionAborted};
    }
  }
}

}  // namespace vantu::net
