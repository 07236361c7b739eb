#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

#include "base/Handles_win.h"
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

// Waits for either event; WSA_WAIT_EVENT_0 + 0 or + 1, or WSA_WAIT_TIMEOUT.
// A wait that fails (an event that is gone) is the socket error it reports:
// taken as "ready", it would have the caller spin until its limit.
DWORD WaitForEither(WSAEVENT first, WSAEVENT second, unsigned timeoutMs) {
  WSAEVENT events[2] = {first, second};
  const DWORD which =
      WSAWaitForMultipleEvents(2, events, FALSE, timeoutMs == kForever ? WSA_INFINITE : timeoutMs, FALSE);
  if (which == WSA_WAIT_FAILED) throw HttpError::Socket(WSAGetLastError());
  return which;
}

// Waits for the socket's network event or the cancel event. The socket is
// non-blocking under WSAEventSelect; callers retry their call after Ready.
Wait WaitFor(std::intptr_t socket, std::intptr_t event, const CancelSignal& cancel, unsigned timeoutMs,
             int& closeError) {
  if (cancel.IsSet()) return Wait::Cancelled;
  const DWORD which = WaitForEither(AsEvent(event), AsEvent(cancel.Handle()), timeoutMs);
  if (which == WSA_WAIT_TIMEOUT) return Wait::TimedOut;
  if (which == WSA_WAIT_EVENT_0 + 1) return Wait::Cancelled;
  TakeEvents(socket, event, closeError);
  return Wait::Ready;
}

// One name lookup on a thread of its own. The caller and the thread hold a
// reference each, and the last to let go frees it: the caller may stop
// waiting long before the resolver answers. The thread also holds Windows
// Sockets and the module, so that it may end after the client is gone and
// after the host has unloaded us.
class LookupJob {
 public:
  LookupJob(const std::string& host, Lookup lookup) : host_(host), lookup_(lookup) {
    if (!done_) throw HttpError::Socket(WSAENOBUFS);
  }

  // The address, or throws the lookup's error; kTimedOut or
  // kConnectionAborted when it did not end in time.
  static std::uint32_t Resolve(const std::string& host, unsigned timeoutMs, const CancelSignal& cancel,
                               Lookup lookup) {
    std::unique_ptr<LookupJob> job(new LookupJob(host, lookup));
    HANDLE thread = CreateThread(nullptr, 0, &LookupJob::ThreadMain, job.get(), 0, nullptr);
    if (!thread) {
      // No thread to spare: look up here, as a blocking call would.
      job->Run();
      return job->Result();
    }
    CloseHandle(thread);
    LookupJob* shared = job.release();
    struct Release {
      LookupJob* job;
      ~Release() { job->Release(); }
    } release{shared};
    const DWORD which = WaitForEither(shared->done_.Get(), AsEvent(cancel.Handle()), timeoutMs);
    if (which == WSA_WAIT_TIMEOUT) throw HttpError::Socket(kTimedOut);
    if (which == WSA_WAIT_EVENT_0 + 1) throw HttpError::Socket(kConnectionAborted);
    return shared->Result();
  }

 private:
  static DWORD WINAPI ThreadMain(void* parameter) {
    auto* job = static_cast<LookupJob*>(parameter);
    job->Run();
    ModuleReference module = std::move(job->module_);
    job->Release();
    // Ends the thread without returning into code an unload may just have unmapped.
    FreeLibraryAndExitThread(module.Release(), 0);
  }

  void Run() noexcept {
#if VANTU_TEST_HOOKS
    WaitWhileTheHostHolds(LookupHoldEventName(GetCurrentProcessId()));
#endif
    error_ = lookup_(host_, address_);
    SetEvent(done_.Get());
  }

  std::uint32_t Result() const {
    if (error_) throw HttpError::Socket(error_);
    return address_;
  }

  void Release() noexcept {
    if (InterlockedDecrement(&references_) == 0) delete this;
  }

  NetLibrary library_;
  ModuleReference module_{"name lookup"};
  KernelHandle done_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  LONG references_ = 2;
  std::string host_;
  Lookup lookup_;
  std::uint32_t address_ = 0;
  int error_ = 0;
};

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
  if (event == WSA_INVALID_EVENT) throw HttpError::Socket(WSAGetLastError());
  handles_[0] = reinterpret_cast<std::intptr_t>(event);
}

CancelSignal::~CancelSignal() { WSACloseEvent(AsEvent(handles_[0])); }

void CancelSignal::Set() noexcept {
  set_.store(true);
  WSASetEvent(AsEvent(handles_[0]));  // manual reset: stays signalled
}

int SystemLookup(const std::string& host, std::uint32_t& address) {
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

std::uint32_t ResolveIPv4(const std::string& host, unsigned timeoutMs, const CancelSignal& cancel, Lookup lookup) {
  if (cancel.IsSet()) throw HttpError::Socket(kConnectionAborted);
  return LookupJob::Resolve(host, timeoutMs, cancel, lookup);
}

TcpConnection::TcpConnection(const CancelSignal& cancel) : cancel_(cancel) {}

TcpConnection::~TcpConnection() {
  if (AsSocket(socket_) != INVALID_SOCKET) closesocket(AsSocket(socket_));
  if (event_) WSACloseEvent(AsEvent(event_));
}

void TcpConnection::Connect(std::uint32_t address, std::uint16_t port, unsigned timeoutMs) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw HttpError::Socket(WSAGetLastError());
  socket_ = static_cast<std::intptr_t>(s);
  const WSAEVENT event = WSACreateEvent();
  if (event == WSA_INVALID_EVENT) throw HttpError::Socket(WSAGetLastError());
  event_ = reinterpret_cast<std::intptr_t>(event);
  if (WSAEventSelect(s, event, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    throw HttpError::Socket(WSAGetLastError());
  }

  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = address;
  if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return;
  if (WSAGetLastError() != WSAEWOULDBLOCK) throw HttpError::Socket(WSAGetLastError());
  const Deadline deadline(timeoutMs);
  for (;;) {
    const unsigned left = deadline.LeftMsOrTimeOut();
    if (cancel_.IsSet()) throw HttpError::Socket(kConnectionAborted);
    const DWORD which = WaitForEither(event, AsEvent(cancel_.Handle()), left);
    if (which == WSA_WAIT_TIMEOUT) throw HttpError::Socket(kTimedOut);
    if (which == WSA_WAIT_EVENT_0 + 1) throw HttpError::Socket(kConnectionAborted);
    int connectError = -1;
    if (!TakeEvents(socket_, event_, closeError_, &connectError)) throw HttpError::Socket(WSAGetLastError());
    if (connectError > 0) throw HttpError::Socket(connectError);
    if (connectError == 0) return;
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
Wait TcpConnection::WaitReady(Direction, unsigned timeoutMs) {
  return WaitFor(socket_, event_, cancel_, timeoutMs, closeError_);
}

bool TcpConnection::StillOpen() {
  char probe;
  if (recv(AsSocket(socket_), &probe, 1, MSG_PEEK) != SOCKET_ERROR) return false;
  if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  if (WaitFor(socket_, event_, cancel_, 1, closeError_) != Wait::TimedOut) {
    // An event came within the millisecond: closed, reset or unasked-for bytes, or only FD_WRITE.
    if (recv(AsSocket(socket_), &probe, 1, MSG_PEEK) != SOCKET_ERROR) return false;
    return WSAGetLastError() == WSAEWOULDBLOCK;
  }
  return true;
}

}  // namespace vantu::net
