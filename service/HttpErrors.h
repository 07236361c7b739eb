// The errors of the HTTP layer. Callers only show what(); its bytes are the
// exact message texts, German in Windows-1252 as the dialog displays them.
#pragma once

#include <string>

#include "base/Error.h"

namespace vantu {

class EIdException : public Error {
 public:
  using Error::Error;
};

// A final status outside 2xx, or a redirect; the message is the status line.
class EIdHTTPProtocolException : public EIdException {
 public:
  EIdHTTPProtocolException(std::string statusLine, int code, std::string body)
      : EIdException(std::move(statusLine)), code_(code), body_(std::move(body)) {}
  int ErrorCode() const noexcept { return code_; }
  const std::string& ErrorBody() const noexcept { return body_; }

 private:
  int code_;
  std::string body_;
};

// A failed socket operation, by Windows Sockets error number.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int lastError);
  int LastError() const noexcept { return lastError_; }

 private:
  int lastError_;
};

class EIdConnClosedGracefully : public EIdException {
 public:
  EIdConnClosedGracefully();
};

class EIdReadTimeout : public EIdException {
 public:
  EIdReadTimeout();
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
 public:
  EIdReadLnMaxLineLengthExceeded();
};

// A head with more header lines than the client keeps apart.
class EIdTooManyHeaderLines : public EIdException {
 public:
  EIdTooManyHeaderLines();
};

class EIdIOHandlerPropInvalid : public EIdException {
 public:
  EIdIOHandlerPropInvalid();
};

class EIdUnknownProtocol : public EIdException {
 public:
  EIdUnknownProtocol();
};

// The German text for a Windows Sockets error number; empty when unlisted.
const char* SocketErrorText(int lastError) noexcept;

// "Socket-Fehler # <number>\r\n<text>".
std::string SocketErrorMessage(int lastError);

}  // namespace vantu
