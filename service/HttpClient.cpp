#include "service/HttpClient.h"

#include <ctime>

#include "service/Cookies.h"
#include "service/HttpRequest.h"
#include "service/Socket.h"

namespace vantu {

struct THttpClient::State {
  net::NetLibrary library;  // first in, last out: the sockets below need it
  net::CancelSignal cancel;
  std::unique_ptr<net::TcpConnection> connection;
  http::CookieJar cookies;
  bool emptyBasicCredentials = false;
  http::ReadLimits limits;

  net::TcpConnection& Connection(const http::RequestTarget& target, const net::Deadline& deadline) {
    if (connection && !connection->StillOpen()) connection.reset();
    if (connection) return *connection;
    std::uint32_t address = 0;
    if (const int error = net::ResolveIPv4(target.host, address)) throw EIdSocketError(error);
    auto fresh = std::make_unique<net::TcpConnection>(cancel);
    const unsigned left = deadline.LeftMs();
    if (left == 0) throw EIdSocketError(net::kTimedOut);
    if (const int error = fresh->Connect(address, target.port, left)) throw EIdSocketError(error);
    connection = std::move(fresh);
    return *connection;
  }

  // Cookies and credentials learnt from the response, then keep or close.
  void Conclude(const http::RequestTarget& target, const http::ResponseInfo& info) {
    if (info.headComplete) {
      const std::int64_t now = std::time(nullptr);
      for (const std::string& header : info.setCookies) {
        cookies.Store(header, false, target.host, target.path, now);
      }
      for (const std::string& header : info.setCookies2) {
        cookies.Store(header, true, target.host, target.path, now);
      }
      if (info.code == 401 && info.offersBasic) emptyBasicCredentials = true;
    }
    if (!info.headComplete || !info.reusable || info.closeRequested) connection.reset();
  }
};

THttpClient::THttpClient() : state_(std::make_unique<State>()) {}
THttpClient::~THttpClient() = default;

void THttpClient::Cancel() noexcept { state_->cancel.Set(); }

void THttpClient::SetReadLimits(const http::ReadLimits& limits) { state_->limits = limits; }

void HttpGetText(THttpClient& client, const std::string& url, std::string& result) {
  THttpClient::State& state = *client.state_;
  // Connecting and sending share one limit from the call's start, so that a
  // peer that never completes the handshake cannot hold the caller longer.
  const net::Deadline requestDeadline(state.limits.connectMs);
  result.clear();
  const http::RequestTarget target = http::ParseRequestUrl(url);
  if (state.cancel.IsSet()) throw EIdSocketError(net::kConnectionAborted);
  const std::string request = http::ComposeRequest(
      target, state.cookies.Header(target.host, target.path, std::time(nullptr)),
      state.emptyBasicCredentials);

  net::TcpConnection& connection = state.Connection(target, requestDeadline);
  const unsigned left = requestDeadline.LeftMs();
  if (const int error = left == 0 ? net::kTimedOut : connection.SendAll(request, left)) {
    state.connection.reset();
    throw EIdSocketError(error);
  }
  http::ResponseInfo info;
  try {
    http::ReadResponse(connection, state.limits, result, info);
  } catch (...) {
    state.Conclude(target, info);
    throw;
  }
  state.Conclude(target, info);
}

}  // namespace vantu
