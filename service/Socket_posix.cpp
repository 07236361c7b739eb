#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>

#include "service/Socket.h"

namespace vantu::net {
namespace {

// Waits until fd is ready for events, the cancel pipe is written, or
// timeoutMs (kForever: no limit) has passed.
HttpExpected<Wait> WaitFor(int fd, short events, const CancelSignal& cancel, unsigned timeoutMs) {
  const Deadline deadline(timeoutMs);
  for (;;) {
    if (cancel.IsSet()) return Wait::Cancelled;
    // A wait with nothing left still looks once.
    const unsigned left = deadline.LeftMs();
    const int slice = left == kForever ? -1 : static_cast<int>(std::min<unsigned>(left, INT_MAX));
    pollfd fds[2] = {{fd, events, 0}, {static_cast<int>(cancel.Handle()), POLLIN, 0}};
    const int ready = poll(fds, 2, slice);
    if (ready < 0 && errno == EINTR) continue;
    // Taken as "ready", a failed wait would have the caller spin until its limit.
    if (ready < 0) return HttpError::Socket(WinsockNumberForErrno(errno));
    if ((fds[0].revents | fds[1].revents) & POLLNVAL) return HttpError::Socket(WinsockNumberForErrno(EBADF));
    if (fds[1].revents) return Wait::Cancelled;
    return ready > 0 ? Wait::Ready : Wait::TimedOut;
  }
}

// What a lookup's thread owns.
struct ThreadShare {
  std::shared_ptr<LookupJob> job;
};

void* LookupThreadMain(void* parameter) {
  const std::unique_ptr<ThreadShare> share(static_cast<ThreadShare*>(parameter));
  share->job->Run();
  return nullptr;
}

}  // namespace

int WinsockNumberForErrno(int error) {
  struct Pair {
    int posix, winsock;
  };
  static constexpr Pair kPairs[] = {
      {EINTR, 10004},        {EBADF, 10009},          {EACCES, 10013},
      {EFAULT, 10014},       {EINVAL, 10022},         {EMFILE, 10024},
      {EWOULDBLOCK, 10035},  {EINPROGRESS, 10036},    {EALREADY, 10037},
      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},   {EMSGSIZE, 10040},
      {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},    {EPROTONOSUPPORT, 10043},
      {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},  {EPFNOSUPPORT, 10046},
      {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},     {EADDRNOTAVAIL, 10049},
      {ENETDOWN, 10050},     {ENETUNREACH, 10051},    {ENETRESET, 10052},
      {ECONNABORTED, 10053}, {ECONNRESET, 10054},     {EPIPE, 10054},
      {ENOBUFS, 10055},      {EISCONN, 10056},        {ENOTCONN, 10057},
      {ESHUTDOWN, 10058},    {ETOOMANYREFS, 10059},   {ETIMEDOUT, 10060},
      {ECONNREFUSED, 10061}, {ELOOP, 10062},          {ENAMETOOLONG, 10063},
      {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},   {ENOTEMPTY, 10066},
  };
  for (const Pair& pair : kPairs) {
    if (pair.posix == error) return pair.winsock;
  }
  return 10000 + error;  // Winsock's own numbering base, as for the BSD errors
}

int WinsockNumberForResolver(int gaiError, int savedErrno) {
  switch (gaiError) {
    case EAI_NONAME:
      return 11001;  // WSAHOST_NOT_FOUND
    case EAI_AGAIN:
      return 11002;  // WSATRY_AGAIN
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return 11004;  // WSANO_DATA: the name exists without an IPv4 address
    case EAI_MEMORY:
      return 10055;
    case EAI_SYSTEM:
      return WinsockNumberForErrno(savedErrno);
    default:
      return 11003;  // WSANO_RECOVERY
  }
}

NetLibrary::NetLibrary() = default;
NetLibrary::~NetLibrary() = default;

CancelSignal::CancelSignal() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    failure_ = WinsockNumberForErrno(errno);
    return;
  }
  handles_[0] = fds[0];
  handles_[1] = fds[1];
}

CancelSignal::~CancelSignal() {
  for (std::intptr_t fd : handles_) {
    if (fd >= 0) close(static_cast<int>(fd));
  }
}

void CancelSignal::Set() {
  if (set_.exchange(true)) return;
  // The byte stays in the pipe, so every later poll sees it too.
  const char byte = 1;
  if (handles_[1] >= 0) (void)!write(static_cast<int>(handles_[1]), &byte, 1);
}

int SystemLookup(const std::string& host, std::uint32_t& address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  errno = 0;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0) return WinsockNumberForResolver(status, errno);
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return 0;
}

LookupJob::LookupJob(const std::string& host, Lookup lookup) : host_(host), lookup_(lookup) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    failure_ = WinsockNumberForErrno(errno);
    return;
  }
  done_[0] = fds[0];
  done_[1] = fds[1];
}

LookupJob::~LookupJob() {
  for (std::intptr_t fd : done_) {
    if (fd >= 0) close(static_cast<int>(fd));
  }
}

void LookupJob::SignalDone() {
  const char byte = 1;
  (void)!write(static_cast<int>(done_[1]), &byte, 1);
}

HttpExpected<Wait> LookupJob::WaitDone(const CancelSignal& cancel, unsigned timeoutMs) {
  const HttpExpected<Wait> wait = WaitFor(static_cast<int>(done_[0]), POLLIN, cancel, timeoutMs);
  if (!wait || *wait != Wait::Ready) return wait;
  // Reading the byte also orders the thread's writes before ours.
  char byte;
  if (read(static_cast<int>(done_[0]), &byte, 1) != 1) return HttpError::Socket(WinsockNumberForErrno(errno));
  return wait;
}

bool StartLookupThread(const std::shared_ptr<LookupJob>& job) {
  auto share = std::make_unique<ThreadShare>();
  share->job = job;
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const bool started = pthread_create(&thread, &attributes, &LookupThreadMain, share.get()) == 0;
  pthread_attr_destroy(&attributes);
  if (!started) return false;
  share.release();  // the thread's own from here on
  return true;
}

TcpConnection::TcpConnection(const CancelSignal& cancel) : cancel_(cancel) {}

TcpConnection::~TcpConnection() {
  if (socket_ >= 0) close(static_cast<int>(socket_));
}

HttpExpected<void> TcpConnection::Connect(std::uint32_t address, std::uint16_t port, unsigned timeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return HttpError::Socket(WinsockNumberForErrno(errno));
  socket_ = fd;
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return {};
  if (errno != EINPROGRESS) return HttpError::Socket(WinsockNumberForErrno(errno));
  if (auto ready = FailureUnlessReady(WaitFor(fd, POLLOUT, cancel_, timeoutMs)); !ready) return ready.Error();
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  if (error) return HttpError::Socket(WinsockNumberForErrno(error));
  return {};
}

long TcpConnection::SendSome(const char* data, std::size_t size, int& error) {
  for (;;) {
    const ssize_t count = send(static_cast<int>(socket_), data, size, MSG_NOSIGNAL);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    error = errno == EAGAIN || errno == EWOULDBLOCK ? 0 : WinsockNumberForErrno(errno);
    return -1;
  }
}

long TcpConnection::ReceiveSome(char* buffer, std::size_t capacity, int& error) {
  for (;;) {
    const ssize_t count = recv(static_cast<int>(socket_), buffer, capacity, 0);
    if (count >= 0) return static_cast<long>(count);
    if (errno == EINTR) continue;
    error = errno == EAGAIN || errno == EWOULDBLOCK ? 0 : WinsockNumberForErrno(errno);
    return -1;
  }
}

HttpExpected<Wait> TcpConnection::WaitReady(Direction direction, unsigned timeoutMs) {
  return WaitFor(static_cast<int>(socket_), direction == Direction::Send ? POLLOUT : POLLIN, cancel_,
                 timeoutMs);
}

bool TcpConnection::StillOpen() {
  char probe;
  const int fd = static_cast<int>(socket_);
  if (recv(fd, &probe, 1, MSG_PEEK) >= 0) return false;  // closed, or unasked-for bytes
  if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
  const HttpExpected<Wait> wait = WaitFor(fd, POLLIN, cancel_, 1);
  return wait && *wait == Wait::TimedOut;
}

}  // namespace vantu::net
