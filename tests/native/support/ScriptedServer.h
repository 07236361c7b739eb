// A stand-in HTTP server for the client's tests: listens on 127.0.0.1,
// records each request's exact bytes and answers every connection with a
// script of byte chunks, pauses, half-closes, resets and repeats.
// Header-only, for the native tests (POSIX sockets) and the Winsock tests
// under Wine alike.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "service/Socket.h"
#include "tests/native/support/Script.h"

namespace vantu::testing {

inline constexpr std::uint16_t kFirstTestPort = 47900;
inline constexpr std::uint16_t kLastTestPort = 47948;

namespace detail {

#ifdef _WIN32
using Handle = SOCKET;
inline constexpr Handle kNoSocket = INVALID_SOCKET;
inline void CloseHandle(Handle s) { closesocket(s); }
inline void ShutdownSend(Handle s) { shutdown(s, SD_SEND); }
inline constexpr int kSendFlags = 0;
#else
using Handle = int;
inline constexpr Handle kNoSocket = -1;
inline void CloseHandle(Handle s) { close(s); }
inline void ShutdownSend(Handle s) { shutdown(s, SHUT_WR); }
inline constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

// Owns one socket.
class Socket {
 public:
  explicit Socket(Handle handle = kNoSocket) : handle_(handle) {}
  ~Socket() { Reset(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  Handle Get() const { return handle_; }
  void Reset(Handle handle = kNoSocket) {
    if (handle_ != kNoSocket) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_;
};

inline bool Readable(Handle s, unsigned ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
  return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

inline void SetNonBlocking(Handle s) {
#ifdef _WIN32
  u_long on = 1;
  ioctlsocket(s, FIONBIO, &on);
#else
  fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
#endif
}

// Binds the first free port of the test range on 127.0.0.1; listens, with
// the given backlog, unless told not to.
inline std::uint16_t BindTestPort(Socket& socket, bool listening, int backlog = 8) {
  for (std::uint16_t port = kFirstTestPort; port <= kLastTestPort; ++port) {
    socket.Reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
#ifndef _WIN32
    int yes = 1;  // ports of earlier runs may linger in TIME_WAIT
    setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) continue;
    if (listening && listen(socket.Get(), backlog) != 0) continue;
    return port;
  }
  throw std::runtime_error("no free port in the test range");
}

// Fills the listen queue of port, which listens with no backlog, with
// connections that nobody accepts, so that the system drops a further SYN.
template <std::size_t N>
void FillListenQueue(std::uint16_t port, Socket (&fillers)[N]) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (Socket& filler : fillers) {
    filler.Reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    SetNonBlocking(filler.Get());
    connect(filler.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the handshakes the queue takes
}

}  // namespace detail

// A port on which nobody listens: connecting to it is refused.
class RefusingPort {
 public:
  RefusingPort() : port_(detail::BindTestPort(socket_, false)) {}
  std::uint16_t Port() const { return port_; }

 private:
  net::NetLibrary library_;
  detail::Socket socket_;
  std::uint16_t port_;
};

// A port whose listen queue is full: it listens with no backlog, and
// connections that are never accepted fill the queue, so that the system
// drops a further SYN and that connect waits as long as the client lets it.
class FullListenQueue {
 public:
  FullListenQueue() : port_(detail::BindTestPort(listener_, true, 0)) { detail::FillListenQueue(port_, fillers_); }
  std::uint16_t Port() const { return port_; }

 private:
  net::NetLibrary library_;
  detail::Socket listener_;
  std::uint16_t port_;
  detail::Socket fillers_[4];
};

class ScriptedServer {
 public:
  // One script per connection, in the order the connections come in; any
  // connection beyond them is closed at once. With queueFullMs, the listen
  // queue is full for that long, as at a server too busy to accept: a
  // client's SYN gets in only when the system retries it after that (at 1 s,
  // 3 s, 7 s, ... after the first).
  explicit ScriptedServer(std::vector<Script> connections, unsigned queueFullMs = 0)
      : scripts_(std::move(connections)),
        port_(detail::BindTestPort(listener_, true, queueFullMs ? 0 : 8)),
        queueFullMs_(queueFullMs) {
    if (queueFullMs_) detail::FillListenQueue(port_, fillers_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScriptedServer() {
    stop_ = true;
    thread_.join();
  }
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string HostHeader() const { return "127.0.0.1:" + std::to_string(port_); }

  std::size_t Connections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
  }
  // The requests received on one connection, each with its exact bytes.
  std::vector<std::string> Requests(std::size_t connection) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connection < requests_.size() ? requests_[connection] : std::vector<std::string>();
  }

 private:
  void Serve() {
    if (queueFullMs_) FreeTheQueue();
    std::size_t next = 0;
    std::vector<std::unique_ptr<detail::Socket>> unread;  // open until the server stops
    while (!stop_) {
      if (!detail::Readable(listener_.Get(), 20)) continue;
      auto connection = std::make_unique<detail::Socket>(accept(listener_.Get(), nullptr, nullptr));
      if (connection->Get() == detail::kNoSocket) continue;
      const std::size_t index = next++;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.emplace_back();
      }
      if (index >= scripts_.size()) continue;
      if (!scripts_[index].empty() && scripts_[index][0].kind == Step::Kind::LeaveUnread) {
        unread.push_back(std::move(connection));
      } else {
        Run(*connection, index);
      }
    }
  }

  // After queueFullMs_: the fillers go, those that got in are taken off the
  // queue, and the next SYN gets in.
  void FreeTheQueue() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(queueFullMs_);
    while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (detail::Socket& filler : fillers_) filler.Reset();
    while (detail::Readable(listener_.Get(), 0)) detail::Socket drained(accept(listener_.Get(), nullptr, nullptr));
  }

  void Run(detail::Socket& connection, std::size_t index) {
    std::string unread;
    if (!ReadOneRequest(connection, index, unread)) return;
    for (const Step& step : scripts_[index]) {
      switch (step.kind) {
        case Step::Kind::Send:
          SendAll(connection, step.bytes);
          break;
        case Step::Kind::Pause:
          std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
          break;
        case Step::Kind::HalfClose:
          detail::ShutdownSend(connection.Get());
          break;
        case Step::Kind::Reset: {
          linger abortive{};
          abortive.l_onoff = 1;
          abortive.l_linger = 0;
          setsockopt(connection.Get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                     sizeof abortive);
          connection.Reset();
          return;
        }
        case Step::Kind::Hold:
          while (!stop_ && !detail::Readable(connection.Get(), 20)) {
          }
          return;
        case Step::Kind::ReadRequest:
          if (!ReadOneRequest(connection, index, unread)) return;
          break;
        case Step::Kind::LeaveUnread:  // only as the first step, which Serve() handles
          return;
        case Step::Kind::Repeat:
          for (unsigned spent = 0; spent < kRepeatSpanMs && !stop_; spent += step.ms) {
            if (!SendAll(connection, step.bytes)) return;  // the client has gone
            std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
          }
          break;
      }
    }
  }

  // Reads up to the empty line that ends a request head (a GET has no body).
  bool ReadOneRequest(detail::Socket& connection, std::size_t index, std::string& unread) {
    for (;;) {
      const std::size_t end = unread.find("\r\n\r\n");
      if (end != std::string::npos) {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_[index].push_back(unread.substr(0, end + 4));
        unread.erase(0, end + 4);
        return true;
      }
      if (stop_) return false;
      if (!detail::Readable(connection.Get(), 20)) continue;
      char buffer[4096];
      const int count = static_cast<int>(recv(connection.Get(), buffer, sizeof buffer, 0));
      if (count <= 0) return false;
      unread.append(buffer, static_cast<std::size_t>(count));
    }
  }

  // False once the client has gone; the test judges what it got.
  static bool SendAll(detail::Socket& connection, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 65536));
      const int count = static_cast<int>(send(connection.Get(), bytes.data() + sent, chunk, detail::kSendFlags));
      if (count <= 0) return false;
      sent += static_cast<std::size_t>(count);
    }
    return true;
  }

  net::NetLibrary library_;
  std::vector<Script> scripts_;
  detail::Socket listener_;
  std::uint16_t port_;
  unsigned queueFullMs_;
  detail::Socket fillers_[4];
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> requests_;
  std::thread thread_;
};

}  // namespace vantu::testing
