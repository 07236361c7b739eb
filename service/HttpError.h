// The failures of the HTTP layer, returned as values. Callers only show
// Message(); its bytes are the exact message texts, German in Windows-1252
// as the dialog displays them.
#pragma once

#include <string>

#include "base/Expected.h"

namespace vantu {

enum class HttpFailure {
  Protocol,            // a final status outside 2xx, or a redirect; the message is the status line
  Socket,              // a failed socket operation, by Windows Sockets error number
  ClosedGracefully,    // the connection ended before the answer did
  ReadTimeout,         // the answer did not complete within its limit
  LineTooLong,         // a line, the head or the interim answers beyond their limits
  TooManyHeaderLines,  // a head with more header lines than the client keeps apart
  HttpsUnsupported,    // an https URL: the client has no TLS
  UnknownProtocol,     // any other scheme, or none
  SuccessHeadCutOff,   // a 2xx head that the connection cut off ("Undefined situation")
};

class HttpError {
 public:
  // A failure with a fixed text: every one but Protocol and Socket.
  explicit HttpError(HttpFailure failure);
  static HttpError Protocol(std::string statusLine, int statusCode, std::string body);
  static HttpError Socket(int socketError);

  HttpFailure Failure() const { return failure_; }
  // The text shown to the user.
  const std::string& Message() const { return message_; }
  // Protocol: the status code (-1 when the status line has none), else 0.
  int StatusCode() const { return failure_ == HttpFailure::Protocol ? number_ : 0; }
  // Protocol: the body of the error status, as far as it was read.
  const std::string& ErrorBody() const { return body_; }
  // Socket: the Windows Sockets error number, else 0.
  int SocketError() const { return failure_ == HttpFailure::Socket ? number_ : 0; }

 private:
  HttpError(HttpFailure failure, std::string message, int number, std::string body);

  HttpFailure failure_;
  std::string message_;
  int number_;
  std::string body_;
};

// The German text for a Windows Sockets error number; empty when unlisted.
const char* SocketErrorText(int socketError);

// What an operation of the HTTP layer gives back: its value, or its failure.
template <class T>
using HttpExpected = Expected<T, HttpError>;

// "Socket-Fehler # <number>\r\n<text>".
std::string SocketErrorMessage(int socketError);

}  // namespace vantu
