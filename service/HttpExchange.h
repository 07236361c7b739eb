// Reading one response off a byte source: the status line and header block
// (interim 100 responses skipped), the classification, and the body.
#pragma once

#include <string>
#include <vector>

#include "service/ByteSource.h"

namespace vantu::http {

struct ReadLimits {
  unsigned waitMs = 15000;          // any wait for further bytes
  unsigned errorBodyWaitMs = 2000;  // each wait while an error body is read
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

// Reads one response. A 2xx body goes into result (a leading part when its
// reading fails); any other outcome is thrown as an EIdException. info is
// filled as far as the reading got, also when it throws.
void ReadResponse(ByteSource& source, const ReadLimits& limits, std::string& result,
                  ResponseInfo& info);

}  // namespace vantu::http
