#include "service/HttpClient.h"

#include <ctime>

#include "base/TextRules.h"
#include "service/Cookies.h"
#include "service/HttpRequest.h"
#include "service/Socket.h"

namespace vantu {

struct HttpClient::State {
  net::NetLibrary library;  // first in, last out: the sockets below need it
  net::CancelSignal cancel;
  std::unique_ptr<net::TcpConnection> connection;
  std::string connectedHost;  // where connection leads
  std::uint16_t connectedPort = 0;
  http::CookieJar cookies;
  bool emptyBasicCredentials = false;
  http::ReadLimits limits;
  net::Lookup lookup = net::SystemLookup;

  // The kept connection when it leads to target's host and port and is
  // still open, else a new one. The name lookup counts against deadline.
  net::TcpConnection& Connection(const http::RequestTarget& target, const net::Deadline& deadline) {
    if (connection && !(EqualsNoCase(connectedHost, target.host) && connectedPort == target.port)) {
      connection.reset();
    }
    if (connection && !connection->StillOpen()) connection.reset();
    if (connection) return *connection;
    const std::uint32_t address = net::ResolveIPv4(target.host, deadline.LeftMsOrTimeOut(), cancel, lookup);
    auto fresh = std::make_unique<net::TcpConnection>(cancel);
    fresh->Connect(address, target.port, deadline.LeftMsOrTimeOut());
    connection = std::move(fresh);
    connectedHost = target.host;
    connectedPort = target.port;
    return *connection;
  }

  // Cookies and credentials learnt from the response, then keep or close.
  void ApplyResponse(const http::RequestTarget& target, const http::ResponseInfo& info) {
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

HttpClient::HttpClient() : state_(std::make_unique<State>()) {}
HttpClient::~HttpClient() = default;

void HttpClient::Cancel() noexcept { state_->cancel.Set(); }

void HttpClient::SetReadLimits(const http::ReadLimits& limits) { state_->limits = limits; }

void HttpClient::SetLookup(net::Lookup lookup) { state_->lookup = lookup; }

void HttpGetText(HttpClient& client, const std::string& url, std::string& result) {
  HttpClient::State& state = *client.state_;
  // Connecting and sending share one limit from the call's start, so that a
  // peer that never completes the handshake cannot hold the caller longer.
  const net::Deadline requestDeadline(state.limits.connectMs);
  result.clear();
  const http::RequestTarget target = http::ParseRequestUrl(url);
  if (state.cancel.IsSet()) throw HttpError::Socket(net::kConnectionAborted);
  const std::string request = http::ComposeRequest(
      target, state.cookies.Header(target.host, target.path, std::time(nullptr)),
      state.emptyBasicCredentials);

  net::TcpConnection& connection = state.Connection(target, requestDeadline);
  try {
    connection.SendAll(request, requestDeadline.LeftMsOrTimeOut());
  } catch (...) {
    state.connection.reset();
    throw;
  }
  http::ResponseInfo info;
  try {
    http::ReadResponse(connection, state.limits, result, info);
  } catch (...) {
    state.ApplyResponse(target, info);
    throw;
  }
  state.ApplyResponse(target, info);
}

}  // namespace vantu
