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

  // Keeps the connection when it leads to target's host and port and is
  // still open, else makes a new one. The name lookup and the connect count
  // against deadline.
  HttpExpected<void> Connect(const http::RequestTarget& target, const Deadline& deadline) {
    if (connection && !(EqualsNoCase(connectedHost, target.host) && connectedPort == target.port)) {
      connection.reset();
    }
    if (connection && !connection->StillOpen()) connection.reset();
    if (connection) return {};
    HttpExpected<unsigned> left = net::ConnectTimeLeft(deadline);
    if (!left) return left.Error();
    const HttpExpected<std::uint32_t> address = net::ResolveIPv4(target.host, *left, cancel, lookup);
    if (!address) return address.Error();
    left = net::ConnectTimeLeft(deadline);
    if (!left) return left.Error();
    auto fresh = std::make_unique<net::TcpConnection>(cancel);
    if (auto connected = fresh->Connect(*address, target.port, *left); !connected) return connected.Error();
    connection = std::move(fresh);
    connectedHost = target.host;
    connectedPort = target.port;
    return {};
  }

  // Sends all of request within what is left of deadline; a connection
  // that fails at it is dropped.
  HttpExpected<void> Send(const std::string& request, const Deadline& deadline) {
    const HttpExpected<unsigned> left = net::ConnectTimeLeft(deadline);
    if (!left) {
      connection.reset();
      return left.Error();
    }
    HttpExpected<void> sent = connection->SendAll(request, *left);
    if (!sent) connection.reset();
    return sent;
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

void HttpClient::Cancel() { state_->cancel.Set(); }

void HttpClient::SetReadLimits(const http::ReadLimits& limits) { state_->limits = limits; }

void HttpClient::SetLookup(net::Lookup lookup) { state_->lookup = lookup; }

HttpExpected<void> HttpGetText(HttpClient& client, const std::string& url, std::string& result) {
  HttpClient::State& state = *client.state_;
  // One limit from the call's start to the answer's last byte: a server that
  // is slow to accept and then trickles gets no second budget for the answer,
  // so Verify holds the player's thread no longer than this.
  const Deadline requestDeadline(state.limits.requestMs);
  result.clear();
  const HttpExpected<http::RequestTarget> target = http::ParseRequestUrl(url);
  if (!target) return target.Error();
  if (state.cancel.IsSet()) return HttpError::Socket(net::kConnectionAborted);
  if (const int failure = state.cancel.Failure()) return HttpError::Socket(failure);
  const std::string request = http::ComposeRequest(
      *target, state.cookies.Header(target->host, target->path, std::time(nullptr)), state.emptyBasicCredentials);

  if (auto connected = state.Connect(*target, requestDeadline); !connected) return connected.Error();
  if (auto sent = state.Send(request, requestDeadline); !sent) return sent.Error();
  http::ReadLimits left = state.limits;
  left.requestMs = requestDeadline.LeftMs();  // 0 once passed: the reading's own time-out
  http::ResponseInfo info;
  HttpExpected<void> read = http::ReadResponse(*state.connection, left, result, info);
  state.ApplyResponse(*target, info);
  return read;
}

}  // namespace vantu
