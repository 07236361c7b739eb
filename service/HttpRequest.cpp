#include "service/HttpRequest.h"

#include "base/TextRules.h"

namespace vantu::http {
namespace {

constexpr int kHostNotFound = 11001;
constexpr int kAddressNotAvailable = 10049;

std::string EscapeControlBytes(std::string_view text) {
  return PercentEncode(text, IsControlOrSpace);
}

HttpExpected<std::uint16_t> ParsePort(std::string_view text) {
  if (text.empty()) return std::uint16_t{80};
  const std::optional<ParsedDigits> port = ParseDigits(text, 10, 65535);
  if (!port || port->saturated || port->value == 0) return HttpError::Socket(kAddressNotAvailable);
  return static_cast<std::uint16_t>(port->value);
}

}  // namespace

HttpExpected<RequestTarget> ParseRequestUrl(std::string_view url) {
  std::string text(url);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  const std::size_t schemeEnd = text.find("://");
  const std::string_view scheme =
      schemeEnd == std::string::npos ? std::string_view() : std::string_view(text).substr(0, schemeEnd);
  if (EqualsNoCase(scheme, "https")) return HttpError(HttpFailure::HttpsUnsupported);
  if (!EqualsNoCase(scheme, "http")) return HttpError(HttpFailure::UnknownProtocol);

  std::string_view rest = std::string_view(text).substr(schemeEnd + 3);
  rest = rest.substr(0, rest.find('#'));
  const std::size_t authorityEnd = rest.find_first_of("/?");
  const std::string_view authority = rest.substr(0, authorityEnd);
  const std::string_view pathAndQuery =
      authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

  for (char c : authority) {
    // Such a host could not be resolved and must not reach the Host line.
    if (IsControlOrSpace(static_cast<unsigned char>(c))) return HttpError::Socket(kHostNotFound);
  }
  RequestTarget request;
  const std::size_t colon = authority.rfind(':');
  request.host.assign(authority.substr(0, colon));
  if (request.host.empty()) return HttpError::Socket(kHostNotFound);
  if (colon != std::string_view::npos) {
    const HttpExpected<std::uint16_t> port = ParsePort(authority.substr(colon + 1));
    if (!port) return port.Error();
    request.port = *port;
  }
  request.hostHeader = request.host;
  if (request.port != 80) {
    request.hostHeader += ':';
    request.hostHeader += std::to_string(request.port);
  }

  if (pathAndQuery.empty() || pathAndQuery.front() != '/') request.target.push_back('/');
  request.target += EscapeControlBytes(pathAndQuery);
  request.path = request.target.substr(0, request.target.find('?'));
  return request;
}

std::string ComposeRequest(const RequestTarget& target, std::string_view cookies,
                           bool emptyBasicCredentials) {
  std::string request;
  request.reserve(target.target.size() + target.hostHeader.size() + cookies.size() + 200);
  request += "GET " + target.target + " HTTP/1.1\r\n";
  request += "Content-Type: text/html\r\n";
  request += "Host: " + target.hostHeader + "\r\n";
  request += "Accept: text/html, */*\r\n";
  request += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
  if (!cookies.empty()) {
    request += "Cookie: ";
    request += cookies;
    request += "\r\n";
  }
  // Base64 of ":", an empty user name and an empty password.
  if (emptyBasicCredentials) request += "Authorization: Basic Og==\r\n";
  request += "\r\n";
  return request;
}

}  // namespace vantu::http
