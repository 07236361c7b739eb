// Reading one response off a byte source: the status line and header block
// (interim 100 responses skipped), the classification, and the body.
#pragma once

#include <string>
#include <vector>

#include "service/ByteSource.h"

namespace vantu::http {

// Each limit holds for a whole stage, however the peer spreads its bytes.
struct ReadLimits {
  unsigned responseMs = 15000;  // from the request's last byte to the response's last
  unsigned errorBodyMs = 2000;  // for all of an error status's body (within responseMs)
  unsigned connectMs = 15000;   // from the call's start until the request is sent
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

// Reads one response, its limits counted from now on source's clock. A 2xx
// body goes into result in place of what it held (a leading part when its
// reading fails or runs out of time); after any other outcome, the failure
// returned, result is empty. info is filled as far as the reading got, also
// when it fails.
HttpExpected<void> ReadResponse(ByteSource& source, const ReadLimits& limits, std::string& result,
                                ResponseInfo& info);

}  // namespace vantu::http
