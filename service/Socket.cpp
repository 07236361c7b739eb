#include "service/Socket.h"

namespace vantu::net {

HttpExpected<void> FailureUnlessReady(const HttpExpected<Wait>& wait) {
  if (!wait) return wait.Error();
  switch (*wait) {
    case Wait::Ready: return {};
    case Wait::TimedOut: return HttpError::Socket(kTimedOut);
    case Wait::Cancelled: return HttpError::Socket(kConnectionAborted);
  }
  return {};
}

HttpExpected<unsigned> ConnectTimeLeft(const Deadline& deadline) {
  const unsigned left = deadline.LeftMs();
  if (left == 0) return HttpError::Socket(kTimedOut);
  return left;
}

void LookupJob::Run() {
  error_ = lookup_(host_, address_);
  SignalDone();
}

HttpExpected<std::uint32_t> ResolveIPv4(const std::string& host, unsigned timeoutMs, const CancelSignal& cancel,
                                        Lookup lookup) {
  if (cancel.IsSet()) return HttpError::Socket(kConnectionAborted);
  // Not make_shared: in the DLL, built without type information, it would
  // link the runtime's shared_ptr.o, which throws.
  const std::shared_ptr<LookupJob> job(new LookupJob(host, lookup));
  if (const int failure = job->Failure()) return HttpError::Socket(failure);
  if (!StartLookupThread(job)) job->Run();  // no thread to spare: look up here, as a blocking call would
  if (auto done = FailureUnlessReady(job->WaitDone(cancel, timeoutMs)); !done) return done.Error();
  if (job->LookupError()) return HttpError::Socket(job->LookupError());
  return job->Address();
}

HttpExpected<void> TcpConnection::SendAll(const std::string& bytes, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int error = 0;
    const long count = SendSome(bytes.data() + sent, bytes.size() - sent, error);
    if (count >= 0) {
      sent += static_cast<std::size_t>(count);
      continue;
    }
    if (error) return HttpError::Socket(error);
    const HttpExpected<unsigned> left = ConnectTimeLeft(deadline);
    if (!left) return left.Error();
    if (auto ready = FailureUnlessReady(WaitReady(Direction::Send, *left)); !ready) return ready.Error();
  }
  return {};
}

HttpExpected<std::size_t> TcpConnection::Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  for (;;) {
    if (cancel_.IsSet()) return HttpError::Socket(kConnectionAborted);
    int error = 0;
    const long count = ReceiveSome(buffer, capacity, error);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (error) return HttpError::Socket(error);
    const unsigned left = deadline.LeftMs();
    if (left == 0) return HttpError(HttpFailure::ReadTimeout);
    // A time-out here is the reading's own: the request has gone out.
    const HttpExpected<Wait> wait = WaitReady(Direction::Receive, left);
    if (wait && *wait == Wait::TimedOut) return HttpError(HttpFailure::ReadTimeout);
    if (auto ready = FailureUnlessReady(wait); !ready) return ready.Error();
  }
}

}  // namespace vantu::net
