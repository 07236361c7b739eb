// Reading one response off a byte source: the status line and header block
// (interim 100 responses skipped), the classification, and the body.
#pragma once

#include <string>
#include <vector>

#include "service/ByteSource.h"

namespace vantu::http {

// Each limit holds for all it covers, however the peer spreads its bytes.
struct ReadLimits {
  // From a call's start to the response's last byte: the name lookup, the
  // connect, the send and the whole answer, interim answers included.
  unsigned requestMs = 15000;
  unsigned errorBodyMs = 2000;  // for all of an error status's body (within requestMs)
};

struct ResponseInfo {
  bool headComplete = false;
  std::string statusLine;
  int code = -1;
  std::vector<std::string> setCookies;   // "Set-cookie" values
  std::vector<std::string> setCookies2;  // "Set-cookie2" values
  bool offersBasic = false;              // a "WWW-Authenticate" offers "Basic"
  bool closeRequested = false;           // "Connection" or "Proxy-Connection" is "close"
  bool reusable = true;  // false once the stream ended, failed, or was left mid-message
};

// Reads one response within limits.requestMs from now on source's clock (the
// caller passes what is left of its call's limit). A 2xx
// body goes into result in place of what it held (a leading part when its
// reading fails or runs out of time); after any other outcome, the failure
// returned, result is empty. info is filled as far as the reading got, also
// when it fails.
HttpExpected<void> ReadResponse(ByteSource& source, const ReadLimits& limits, std::string& result,
                                ResponseInfo& info);

}  // namespace vantu::http
