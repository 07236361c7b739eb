// The one HTTP operation of the plug-in: GET a URL, return the body as text.
#pragma once

#include <memory>
#include <string>

#include "service/HttpError.h"
#include "service/HttpExchange.h"
#include "service/Socket.h"

namespace vantu {

// One per caller: holds the kept connection, the cookie jar and whether to
// offer empty Basic credentials (after a 401 that asked for them). Used by one
// thread at a time, except for Cancel().
class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Thread-safe, callable from any thread: aborts the call in flight (closing
  // its socket) and makes it and every later call fail promptly with
  // kConnectionAborted; used when the plug-in quits with reports in flight.
  // A name lookup in flight is left to end on its own thread.
  void Cancel();

  // Test builds shorten the waits; the plug-in keeps the defaults.
  void SetReadLimits(const http::ReadLimits& limits);
  // Tests put a scripted resolver in the system's place.
  void SetLookup(net::Lookup lookup);

 private:
  friend HttpExpected<void> HttpGetText(HttpClient& client, const std::string& url, std::string& result);
  struct State;
  std::unique_ptr<State> state_;
};

// Gets url with client and puts the response body's bytes into result, in
// place of what it held. A failure's Message() is the text to show; result
// then holds the leading part of a 2xx body whose reading failed, and is
// empty after any other failure.
HttpExpected<void> HttpGetText(HttpClient& client, const std::string& url, std::string& result);

}  // namespace vantu
