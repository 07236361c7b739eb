#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

#include "base/ModuleReference_win.h"
#include "service/Socket.h"
#include "vantu_config.h"

#if VANTU_TEST_HOOKS
#include "contract/TestHooks_win.h"
#endif

namespace vantu::net {
namespace {

SOCKET AsSocket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }
WSAEVENT AsEvent(std::intptr_t handle) { return reinterpret_cast<WSAEVENT>(handle); }

// The events that came since the last call (which resets the event); keeps
// the error a close carried, since recv may then report only a graceful end.
// False when the events cannot be read (WSAGetLastError tells why).
bool TakeEvents(std::intptr_t socket, std::intptr_t event, int& closeError, int* connectError = nullptr) {
  WSANETWORKEVENTS happened;
  if (WSAEnumNetworkEvents(AsSocket(socket), AsEvent(event), &happened) != 0) return false;
  if ((happened.lNetworkEvents & FD_CLOSE) && happened.iErrorCode[FD_CLOSE_BIT] != 0) {
    closeError = happened.iErrorCode[FD_CLOSE_BIT];
  }
  if (connectError && (happened.lNetworkEvents & FD_CONNECT)) *connectError = happened.iErrorCode[FD_CONNECT_BIT];
  return true;
}

// Wine posts a reset's FD_CLOSE without its error and then reads a graceful
// end, yet still fails a send with it; a send of no bytes asks without
// writing anything, and succeeds where the peer only closed.
int ResetSeenBySend(std::intptr_t socket) {
  if (send(AsSocket(socket), "", 0, 0) != SOCKET_ERROR) return 0;
  const int error = WSAGetLastError();
  return error == WSAECONNRESET || error == WSAECONNABORTED ? error : 0;
}

// Waits for event or the cancel signal. A wait that fails (an event that
// is gone) is the socket error it reports: taken as "ready", it would have
// the caller spin until its limit.
HttpExpected<Wait> WaitForEither(WSAEVENT event, const CancelSignal& cancel, unsigned timeoutMs) {
  if (cancel.IsSet()) return Wait::Cancelled;
  WSAEVENT events[2] = {event, AsEvent(cancel.Handle())};
  const DWORD which =
      WSAWaitForMultipleEvents(2, events, FALSE, timeoutMs == kForever ? WSA_INFINITE : timeoutMs, FALSE);
  if (which == WSA_WAIT_FAILED) return HttpError::Socket(WSAGetLastError());
  if (which == WSA_WAIT_TIMEOUT) return Wait::TimedOut;
  if (which == WSA_WAIT_EVENT_0 + 1) return Wait::Cancelled;
  return Wait::Ready;
}

// Waits for the socket's network event or the cancel event. The socket is
// non-blocking under WSAEventSelect; callers retry their call after Ready.
HttpExpected<Wait> WaitFor(std::intptr_t socket, std::intptr_t event, const CancelSignal& cancel,
                           unsigned timeoutMs, int& closeError) {
  const HttpExpected<Wait> wait = WaitForEither(AsEvent(event), cancel, timeoutMs);
  if (wait && *wait == Wait::Ready) TakeEvents(socket, event, closeError);
  return wait;
}

// What a lookup's thread owns: its share of the job, and a hold on the
// module, so that it may end after the client is gone and after the host
// has unloaded us.
struct ThreadShare {
  std::shared_ptr<LookupJob> job;
  ModuleReference module;
};

DWORD WINAPI LookupThreadMain(void* parameter) {
  HMODULE module;
  {
    const std::unique_ptr<ThreadShare> share(static_cast<ThreadShare*>(parameter));
    share->job->Run();
    module = share->module.Release();
  }
  // Ends the thread without returning into code an unload may just have unmapped.
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

NetLibrary::NetLibrary() {
  WSADATA data;
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

NetLibrary::~NetLibrary() {
  if (started_) WSACleanup();
}

CancelSignal::CancelSignal() {
  const WSAEVENT event = WSACreateEvent();
  if (event == WSA_INVALID_EVENT) {
    failure_ = WSAGetLastError();
    return;
  }
  handles_[0] = reinterpret_cast<std::intptr_t>(event);
}

CancelSignal::~CancelSignal() {
  if (handles_[0] != -1) WSACloseEvent(AsEvent(handles_[0]));
}

void CancelSignal::Set() {
  set_.store(true);
  WSASetEvent(AsEvent(handles_[0]));  // manual reset: stays signalled
}

int SystemLookup(const std::string& host, std::uint32_t& address) {
#if VANTU_TEST_HOOKS
  WaitWhileTheHostHolds(LookupHoldEventName(GetCurrentProcessId()));  // as a resolver that does not answer
#endif
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0) return status;  // already a Windows Sockets number
  address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return 0;
}

LookupJob::LookupJob(const std::string& host, Lookup lookup) : host_(host), lookup_(lookup) {
  const HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!done) {
    failure_ = WSAENOBUFS;
    return;
  }
  done_[0] = reinterpret_cast<std::intptr_t>(done);
}

LookupJob::~LookupJob() {
  if (done_[0] != -1) CloseHandle(reinterpret_cast<HANDLE>(done_[0]));
}

void LookupJob::SignalDone() { SetEvent(reinterpret_cast<HANDLE>(done_[0])); }

HttpExpected<Wait> LookupJob::WaitDone(const CancelSignal& cancel, unsigned timeoutMs) {
  return WaitForEither(AsEvent(done_[0]), cancel, timeoutMs);
}

bool StartLookupThread(const std::shared_ptr<LookupJob>& job) {
  auto share = std::make_unique<ThreadShare>();
  share->job = job;
  if (!share->module.Take("name lookup")) return false;
  HANDLE thread = CreateThread(nullptr, 0, &LookupThreadMain, share.get(), 0, nullptr);
  if (!thread) return false;
  share.release();  // the thread's own from here on
  CloseHandle(thread);
  return true;
}

TcpConnection::TcpConnection(const CancelSignal& cancel) : cancel_(cancel) {}

TcpConnection::~TcpConnection() {
  if (AsSocket(socket_) != INVALID_SOCKET) closesocket(AsSocket(socket_));
  if (event_) WSACloseEvent(AsEvent(event_));
}

HttpExpected<void> TcpConnection::Connect(std::uint32_t address, std::uint16_t port, unsigned timeoutMs) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return HttpError::Socket(WSAGetLastError());
  socket_ = static_cast<std::intptr_t>(s);
  const WSAEVENT event = WSACreateEvent();
  if (event == WSA_INVALID_EVENT) return HttpError::Socket(WSAGetLastError());
  event_ = reinterpret_cast<std::intptr_t>(event);
  if (WSAEventSelect(s, event, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    return HttpError::Socket(WSAGetLastError());
  }

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return {};
  if (WSAGetLastError() != WSAEWOULDBLOCK) return HttpError::Socket(WSAGetLastError());
  const Deadline deadline(timeoutMs);
  for (;;) {
    const HttpExpected<unsigned> left = ConnectTimeLeft(deadline);
    if (!left) return left.Error();
    if (auto ready = FailureUnlessReady(WaitForEither(event, cancel_, *left)); !ready) return ready.Error();
    int connectError = -1;
    if (!TakeEvents(socket_, event_, closeError_, &connectError)) return HttpError::Socket(WSAGetLastError());
    if (connectError > 0) return HttpError::Socket(connectError);
    if (connectError == 0) return {};
  }
}

long TcpConnection::SendSome(const char* data, std::size_t size, int& error) {
  const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
  const int count = send(AsSocket(socket_), data, chunk, 0);
  if (count != SOCKET_ERROR) return count;
  error = WSAGetLastError() == WSAEWOULDBLOCK ? 0 : WSAGetLastError();
  return -1;
}

long TcpConnection::ReceiveSome(char* buffer, std::size_t capacity, int& error) {
  const int chunk = capacity > 0x40000000 ? 0x40000000 : static_cast<int>(capacity);
  const int count = recv(AsSocket(socket_), buffer, chunk, 0);
  if (count == 0) {
    // A stream ended by a reset may read as a graceful end; the close event's
    // error tells the two apart (that event may not have been waited for yet).
    TakeEvents(socket_, event_, closeError_);
    if (!closeError_) closeError_ = ResetSeenBySend(socket_);
    if (closeError_) {
      error = closeError_;
      return -1;
    }
  }
  if (count != SOCKET_ERROR) return count;
  error = WSAGetLastError() == WSAEWOULDBLOCK ? 0 : WSAGetLastError();
  return -1;
}

// One network event serves both directions under WSAEventSelect.
HttpExpected<Wait> TcpConnection::WaitReady(Direction, unsigned timeoutMs) {
  return WaitFor(socket_, event_, cancel_, timeoutMs, closeError_);
}

bool TcpConnection::StillOpen() {
  char probe;
  if (recv(AsSocket(socket_), &probe, 1, MSG_PEEK) != SOCKET_ERROR) return false;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  const HttpExpected<Wait> wait = WaitFor(socket_, event_, cancel_, 1, closeError_);
  if (!wait || *wait != Wait::TimedOut) {
    // An event came within the millisecond: closed, reset or unasked-for bytes, or only FD_WRITE.
    if (recv(AsSocket(socket_), &probe, 1, MSG_PEEK) != SOCKET_ERROR) return false;
    return WSAGetLastError() == WSAEWOULDBLOCK;
  }
  return true;
}

}  // namespace vantu::net
