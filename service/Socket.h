// The socket seam: a handful of wrappers, implemented once with POSIX sockets
// (Socket_posix.cpp) and once with Winsock 2 (Socket_win.cpp); the loops
// around them are written once (Socket.cpp). Every failure leaves here as an
// HttpError, a failed socket operation with its Windows Sockets error number.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Deadline.h"
#include "service/ByteSource.h"

namespace vantu::net {

inline constexpr int kConnectionAborted = 10053;  // WSAECONNABORTED: what a cancelled call reports
inline constexpr int kTimedOut = 10060;           // WSAETIMEDOUT

// How a wait ended; a wait that fails is the socket error it reports instead.
enum class Wait { Ready, TimedOut, Cancelled };

// A wait of the connect and send stages: nothing when it ended ready, else
// what the call fails with: a time-out kTimedOut, a cancel
// kConnectionAborted, a failed wait its own error.
HttpExpected<void> FailureUnlessReady(const HttpExpected<Wait>& wait);

// What is left of a call's limit before its request is sent; the connect
// time-out (kTimedOut) once it has passed.
HttpExpected<unsigned> ConnectTimeLeft(const Deadline& deadline);

// Holds the socket library for its lifetime (WSAStartup/WSACleanup on Windows).
class NetLibrary {
 public:
  NetLibrary();
  ~NetLibrary();
  NetLibrary(const NetLibrary&) = delete;
  NetLibrary& operator=(const NetLibrary&) = delete;

 private:
  [[maybe_unused]] bool started_ = false;  // Winsock only
};

// Once set, stays set: every wait of the connections that watch it ends at
// once. Set() may be called from any thread.
class CancelSignal {
 public:
  // Asks the system for an event (Winsock) or a pipe (POSIX); see Failure().
  CancelSignal();
  // Takes over what waits watch (Winsock: an event; POSIX: a pipe's read
  // end) made elsewhere; tests give it one that no wait accepts.
  explicit CancelSignal(std::intptr_t watched) : handles_{watched, -1} {}
  ~CancelSignal();
  CancelSignal(const CancelSignal&) = delete;
  CancelSignal& operator=(const CancelSignal&) = delete;

  // The Windows Sockets error number when the system had no event or pipe
  // to give, else 0: nothing can wait on such a signal.
  int Failure() const { return failure_; }
  void Set();
  bool IsSet() const { return set_.load(); }
  std::intptr_t Handle() const { return handles_[0]; }

 private:
  std::atomic<bool> set_{false};
  std::intptr_t handles_[2] = {-1, -1};
  int failure_ = 0;
};

// A blocking IPv4 name lookup that no cancel reaches: fills address (network
// byte order) and returns 0, or returns a Windows Sockets error number.
using Lookup = int (*)(const std::string& host, std::uint32_t& address);

// The system's resolver (getaddrinfo).
int SystemLookup(const std::string& host, std::uint32_t& address);

// Runs lookup for host on a thread of its own and waits at most timeoutMs
// (kTimedOut then) or until cancel is set (kConnectionAborted): a resolver
// that hangs cannot hold the caller past its limit. A lookup left behind
// ends on its own; it holds what it uses (Windows Sockets, and in a DLL the
// module) until then. A failed lookup fails with its own error number.
HttpExpected<std::uint32_t> ResolveIPv4(const std::string& host, unsigned timeoutMs, const CancelSignal& cancel,
                                        Lookup lookup = SystemLookup);

// One name lookup, which ResolveIPv4 (Socket.cpp) shares with a thread of
// its own; the last to let go frees it, since the caller may stop waiting
// long before the resolver answers. Each back end makes its done signal
// (Winsock: an event; POSIX: a pipe) and its thread.
class LookupJob {
 public:
  LookupJob(const std::string& host, Lookup lookup);  // makes the done signal
  ~LookupJob();
  LookupJob(const LookupJob&) = delete;
  LookupJob& operator=(const LookupJob&) = delete;

  // The Windows Sockets error number when no done signal could be made, else 0.
  int Failure() const { return failure_; }
  // Looks up, then signals done: on the job's thread, or on the caller's
  // when there is no thread to spare.
  void Run();
  // Until done (Ready), the cancel signal is set, or timeoutMs has passed.
  HttpExpected<Wait> WaitDone(const CancelSignal& cancel, unsigned timeoutMs);
  int LookupError() const { return error_; }
  std::uint32_t Address() const { return address_; }

 private:
  void SignalDone();

  NetLibrary library_;  // first in, last out: held until the job is freed, on whichever thread
  std::string host_;
  Lookup lookup_;
  std::uint32_t address_ = 0;
  int error_ = 0;
  int failure_ = 0;
  std::intptr_t done_[2] = {-1, -1};
};

// Back end: runs job->Run() on a thread of its own, which holds a share of
// job (and, in a DLL, the module) until it ends; false when there is none.
bool StartLookupThread(const std::shared_ptr<LookupJob>& job);

// One TCP connection; closed by its destructor.
class TcpConnection final : public http::ByteSource {
 public:
  explicit TcpConnection(const CancelSignal& cancel);
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  // Each waits at most timeoutMs in all (kTimedOut then), however often the
  // socket wakes up in between, or until cancelled (kConnectionAborted).
  HttpExpected<void> Connect(std::uint32_t address, std::uint16_t port, unsigned timeoutMs);
  HttpExpected<void> SendAll(const std::string& bytes, unsigned timeoutMs);
  HttpExpected<std::size_t> Receive(char* buffer, std::size_t capacity, unsigned timeoutMs) override;
  // False when the peer has closed or reset the connection, or sent bytes
  // nobody asked for; waits at most 1 ms.
  bool StillOpen();

 private:
  enum class Direction { Send, Receive };

  // One non-blocking call of each back end: the bytes moved, or -1 with
  // error set to a Windows Sockets number (0 when the call would block).
  long SendSome(const char* data, std::size_t size, int& error);
  long ReceiveSome(char* buffer, std::size_t capacity, int& error);
  // Until the socket is ready for direction, the cancel signal is set, or
  // timeoutMs (kForever: no limit) has passed.
  HttpExpected<Wait> WaitReady(Direction direction, unsigned timeoutMs);

  const CancelSignal& cancel_;
  std::intptr_t socket_ = -1;
  [[maybe_unused]] std::intptr_t event_ = 0;  // Winsock only: the socket's network event
  [[maybe_unused]] int closeError_ = 0;       // Winsock only: the error FD_CLOSE carried
};

// POSIX back end only: errno and getaddrinfo codes as Windows Sockets numbers.
int WinsockNumberForErrno(int error);
int WinsockNumberForResolver(int gaiError, int savedErrno);

}  // namespace vantu::net
