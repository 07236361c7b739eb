// From a URL to the request's bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "service/HttpError.h"

namespace vantu::http {

struct RequestTarget {
  std::string host;        // as written in the URL
  std::uint16_t port = 80;
  std::string hostHeader;  // host, or host:port when the port is not 80
  std::string path;        // for cookie matching
  std::string target;      // origin form: path and query, as sent
};

// Backslashes become "/", the fragment is dropped, and any byte 0 to 32 or 127
// left in path or query is written as "%XX" so nothing can break the request
// line. Fails with HttpsUnsupported for "https", UnknownProtocol for other
// schemes, Socket for an unusable host or port.
HttpExpected<RequestTarget> ParseRequestUrl(std::string_view url);

// The request line, the header lines in their fixed order, the empty line.
// cookies is the "Cookie" value, left out when empty.
std::string ComposeRequest(const RequestTarget& target, std::string_view cookies,
                           bool emptyBasicCredentials);

}  // namespace vantu::http
