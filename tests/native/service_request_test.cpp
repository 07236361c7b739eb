// From URL to request bytes, the message texts, and the POSIX back end's
// translation of its error codes to Windows Sockets numbers.
#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

#include "service/HttpError.h"
#include "service/HttpRequest.h"
#include "service/Socket.h"
#include "tests/native/support/HttpCases.h"

namespace vantu::testing {
namespace {

// The target of a URL that must parse; an empty one, and a failure, when it does not.
http::RequestTarget Parsed(std::string_view url) {
  HttpExpected<http::RequestTarget> target = http::ParseRequestUrl(url);
  if (target) return *target;
  ADD_FAILURE() << url << ": " << target.Error().Message();
  return {};
}

// How parsing a URL fails; none when it parses.
Failure ParseFailure(std::string_view url) {
  const HttpExpected<http::RequestTarget> target = http::ParseRequestUrl(url);
  if (target) return std::nullopt;
  return target.Error().Failure();
}

TEST(Request, ExactBytesOfAVerify) {
  const http::RequestTarget target =
      Parsed("http://www.vantu.fm/verify_user.php?version=110&username=bob&password=pw");
  EXPECT_EQ(http::ComposeRequest(target, "", false),
            "GET /verify_user.php?version=110&username=bob&password=pw HTTP/1.1\r\n"
            "Content-Type: text/html\r\n"
            "Host: www.vantu.fm\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "\r\n");
}

TEST(Request, CookieThenAuthorizationAfterTheFixedLines) {
  const http::RequestTarget target = Parsed("http://example.com/v");
  EXPECT_EQ(http::ComposeRequest(target, "a=1; b=2", true),
            RequestBytes("/v", "example.com", "Cookie: a=1; b=2\r\nAuthorization: Basic Og==\r\n"));
}

TEST(Request, TargetsFromUrls) {
  for (const RequestCase& c : RequestCases()) {
    const http::RequestTarget target = Parsed("http://example.com" + c.pathAndQuery);
    EXPECT_EQ(http::ComposeRequest(target, "", false), RequestBytes(c.target, "example.com")) << c.name;
  }
}

TEST(Request, HostPortAndCookiePath) {
  struct Case {
    const char* url;
    const char* host;
    std::uint16_t port;
    const char* hostHeader;
    const char* path;
  } cases[] = {
      {"http://example.com/a/b?x=1", "example.com", 80, "example.com", "/a/b"},
      {"http://example.com:80/", "example.com", 80, "example.com", "/"},
      {"http://example.com:8080/x", "example.com", 8080, "example.com:8080", "/x"},
      {"http://example.com:08080/x", "example.com", 8080, "example.com:8080", "/x"},
      {"http://example.com:65535/x", "example.com", 65535, "example.com:65535", "/x"},
      {"http://example.com:/x", "example.com", 80, "example.com", "/x"},
      {"HTTP://Example.COM/x", "Example.COM", 80, "Example.COM", "/x"},
      {"hTtP://127.0.0.1:47900", "127.0.0.1", 47900, "127.0.0.1:47900", "/"},
      {"http:\\\\example.com\\a\\b", "example.com", 80, "example.com", "/a/b"},
      {"http://example.com?q=/x", "example.com", 80, "example.com", "/"},
  };
  for (const Case& c : cases) {
    const http::RequestTarget target = Parsed(c.url);
    EXPECT_EQ(target.host, c.host) << c.url;
    EXPECT_EQ(target.port, c.port) << c.url;
    EXPECT_EQ(target.hostHeader, c.hostHeader) << c.url;
    EXPECT_EQ(target.path, c.path) << c.url;
  }
}

TEST(Request, UnusableUrlsFailBeforeAnyConnection) {
  const std::string invalidHandler = "Wert f\xFCr IOHandler ist ung\xFCltig";
  struct Case {
    const char* url;
    Failure failure;
    std::string message;
  } cases[] = {
      {"https://www.vantu.fm/verify_user.php", HttpFailure::HttpsUnsupported, invalidHandler},
      {"HTTPS://www.vantu.fm/", HttpFailure::HttpsUnsupported, invalidHandler},
      {"ftp://www.vantu.fm/", HttpFailure::UnknownProtocol, ""},
      {"www.vantu.fm/verify_user.php", HttpFailure::UnknownProtocol, ""},
      {"http:/www.vantu.fm/", HttpFailure::UnknownProtocol, ""},
      {"http:///x", HttpFailure::Socket, "Socket-Fehler # 11001\r\nHost nicht gefunden."},
      {"http://bad host/", HttpFailure::Socket, "Socket-Fehler # 11001\r\nHost nicht gefunden."},
      {"http://host\r\nX-Evil: 1/", HttpFailure::Socket, "Socket-Fehler # 11001\r\nHost nicht gefunden."},
      {"http://host:99999/", HttpFailure::Socket,
       "Socket-Fehler # 10049\r\nDie angeforderte Adresse kann nicht zugewiesen werden."},
      {"http://host:8x/", HttpFailure::Socket,
       "Socket-Fehler # 10049\r\nDie angeforderte Adresse kann nicht zugewiesen werden."},
      {"http://host:65536/", HttpFailure::Socket,
       "Socket-Fehler # 10049\r\nDie angeforderte Adresse kann nicht zugewiesen werden."},
      {"http://host:0/", HttpFailure::Socket,
       "Socket-Fehler # 10049\r\nDie angeforderte Adresse kann nicht zugewiesen werden."},
      {"http://host:-80/", HttpFailure::Socket,
       "Socket-Fehler # 10049\r\nDie angeforderte Adresse kann nicht zugewiesen werden."},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Capture([&](std::string&) -> HttpExpected<void> {
      const HttpExpected<http::RequestTarget> target = http::ParseRequestUrl(c.url);
      if (!target) return target.Error();
      return {};
    });
    EXPECT_EQ(FailureName(outcome.failure), std::string(FailureName(c.failure))) << c.url;
    EXPECT_EQ(outcome.message, c.message) << c.url;
  }
  // The scheme errors are their own kinds.
  EXPECT_EQ(ParseFailure("https://x/"), HttpFailure::HttpsUnsupported);
  EXPECT_EQ(ParseFailure("gopher://x/"), HttpFailure::UnknownProtocol);
}

TEST(Messages, SocketErrorTextsByNumber) {
  const std::pair<int, std::string> cases[] = {
      {10061, "Socket-Fehler # 10061\r\nVerbindung abgelehnt."},
      {11001, "Socket-Fehler # 11001\r\nHost nicht gefunden."},
      {10035, "Socket-Fehler # 10035\r\nDie Operation w\xFCrde blockieren. "},
      {10058, "Socket-Fehler # 10058\r\nNach Schlie\xDF" "en des Socket kann weder gesendet noch empfangen werden."},
      {10024, "Socket-Fehler # 10024\r\nZu viele ge\xF6" "ffnete Dateien."},
      {10066, "Socket-Fehler # 10066\r\nVerzeichnis ist nicht leer"},
      {10004, "Socket-Fehler # 10004\r\nUnterbrochener Systemaufruf."},
      {11002, "Socket-Fehler # 11002\r\n"},
      {10001, "Socket-Fehler # 10001\r\n"},
  };
  for (const auto& [number, message] : cases) {
    const HttpError error = HttpError::Socket(number);
    EXPECT_EQ(error.Message(), message) << number;
    EXPECT_EQ(error.SocketError(), number);
  }
}

TEST(Messages, FixedTexts) {
  EXPECT_EQ(HttpError(HttpFailure::ClosedGracefully).Message(), "Die Verbindung wurde erfolgreich geschlossen.");
  EXPECT_EQ(HttpError(HttpFailure::ReadTimeout).Message(), "Zeit\xFC" "berschreitung beim Lesen");
  EXPECT_EQ(HttpError(HttpFailure::LineTooLong).Message(), "Max. Zeilenl\xE4nge \xFC" "berschritten.");
  EXPECT_EQ(HttpError(HttpFailure::HttpsUnsupported).Message(), "Wert f\xFCr IOHandler ist ung\xFCltig");
  EXPECT_EQ(HttpError(HttpFailure::UnknownProtocol).Message(), "");
  const HttpError protocol = HttpError::Protocol("HTTP/1.1 404 Not Found", 404, "body");
  EXPECT_EQ(protocol.Message(), "HTTP/1.1 404 Not Found");
  EXPECT_EQ(protocol.StatusCode(), 404);
  EXPECT_EQ(protocol.ErrorBody(), "body");
}

TEST(PosixBackEnd, ErrnoAndResolverCodesAsWinsockNumbers) {
  const std::pair<int, int> errnos[] = {
      {ECONNREFUSED, 10061}, {ECONNRESET, 10054}, {EPIPE, 10054},       {ECONNABORTED, 10053},
      {ETIMEDOUT, 10060},    {ENETUNREACH, 10051}, {EHOSTUNREACH, 10065}, {EADDRNOTAVAIL, 10049},
      {EINTR, 10004},        {EMFILE, 10024},
  };
  for (const auto& [error, number] : errnos) EXPECT_EQ(net::WinsockNumberForErrno(error), number) << error;
  const std::pair<int, int> resolver[] = {
      {EAI_NONAME, 11001}, {EAI_AGAIN, 11002}, {EAI_FAIL, 11003}, {EAI_MEMORY, 10055},
  };
  for (const auto& [code, number] : resolver) EXPECT_EQ(net::WinsockNumberForResolver(code, 0), number) << code;
  EXPECT_EQ(net::WinsockNumberForResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

}  // namespace
}  // namespace vantu::testing
