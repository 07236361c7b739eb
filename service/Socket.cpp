#include "service/Socket.h"

namespace vantu::net {

int TcpConnection::SendAll(const std::string& bytes, unsigned timeoutMs) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int error = 0;
    const long count = SendSome(bytes.data() + sent, bytes.size() - sent, error);
    if (count >= 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (error) return error;
    switch (WaitReady(Direction::Send, timeoutMs)) {
      case Wait::Ready:
        break;
      case Wait::TimedOut:
        return kTimedOut;
      case Wait::Cancelled:
        return kConnectionAborted;
    }
  }
  return 0;
}

http::ReceiveResult TcpConnection::Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) {
  using Kind = http::ReceiveResult::Kind;
  for (;;) {
    if (cancel_.IsSet()) return {Kind::Failed, 0, kConnectionAborted};
    int error = 0;
    const long count = ReceiveSome(buffer, capacity, error);
    if (count > 0) return {Kind::Data, static_cast<std::size_t>(count), 0};
    if (count == 0) return {Kind::Closed, 0, 0};
    if (error) return {Kind::Failed, 0, error};
    switch (WaitReady(Direction::Receive, timeoutMs)) {
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
