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

// Every number the plug-in has a text for, as the user reads it, and
// numbers without one.
TEST(Messages, SocketErrorTextsByNumber) {
  const std::pair<int, std::string> cases[] = {
      {10004, "Unterbrochener Systemaufruf."},
      {10009, "Falsche Dateinummer."},
      {10013, "Zugriff verweigert."},
      {10014, "Falsche Adresse."},
      {10022, "Ung\xFCltiges Argument."},
      {10024, "Zu viele ge\xF6" "ffnete Dateien."},
      {10035, "Die Operation w\xFCrde blockieren. "},
      {10036, "Die Operation wird gerade durchgef\xFChrt."},
      {10037, "Die Operation wird bereits durchgef\xFChrt."},
      {10038, "Socket-Operation auf Nicht-Socket."},
      {10039, "Zieladresse erforderlich."},
      {10040, "Die Botschaft ist zu lang."},
      {10041, "Das Protokoll hat f\xFCr Socket den falschen Typ."},
      {10042, "Falsche Protokolloption."},
      {10043, "Das Protokoll wird nicht unterst\xFCtzt."},
      {10044, "Sockettyp wird nicht unterst\xFCtzt."},
      {10045, "Die Operation wird bei Socket nicht unterst\xFCtzt."},
      {10046, "Die Protokollfamilie wird nicht unterst\xFCtzt."},
      {10047, "Die Adressfamilie wird von der Protokollfamilie nicht unterst\xFCtzt."},
      {10048, "Die Adresse ist bereits in Gebrauch."},
      {10049, "Die angeforderte Adresse kann nicht zugewiesen werden."},
      {10050, "Das Netzwerk ist ausgefallen."},
      {10051, "Das Netzwerk ist nicht erreichbar."},
      {10052, "Netz hat die Verbindung verloren oder zur\xFC" "ckgesetzt."},
      {10053, "Die Software hat den Abbruch der Verbindung verursacht."},
      {10054, "Die Verbindung wurde von Peer zur\xFC" "ckgesetzt."},
      {10055, "Es ist kein Pufferplatz verf\xFC" "gbar."},
      {10056, "Socket ist bereits verbunden."},
      {10057, "Socket ist nicht verbunden."},
      {10058, "Nach Schlie\xDF" "en des Socket kann weder gesendet noch empfangen werden."},
      {10059, "Zu viele Referenzen; keine Verbindungen m\xF6glich."},
      {10060, "Zeit\xFC" "berschreitung bei Verbindung."},
      {10061, "Verbindung abgelehnt."},
      {10062, "Zu viele Ebenen von symbolischen Links."},
      {10063, "Dateiname ist zu lang."},
      {10064, "Der Host ist ausgefallen."},
      {10065, "Keine Route zum Host."},
      {10066, "Verzeichnis ist nicht leer"},
      {11001, "Host nicht gefunden."},
      // The other resolver failures, and numbers the table lacks: no text.
      {11002, ""},
      {11004, ""},
      {10001, ""},
      {10067, ""},
  };
  for (const auto& [number, text] : cases) {
    const HttpError error = HttpError::Socket(number);
    EXPECT_EQ(error.Message(), "Socket-Fehler # " + std::to_string(number) + "\r\n" + text) << number;
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
      // A name that exists without an IPv4 address.
#ifdef EAI_NODATA
      {EAI_NODATA, 11004},
#endif
#ifdef EAI_ADDRFAMILY
      {EAI_ADDRFAMILY, 11004},
#endif
  };
  for (const auto& [code, number] : resolver) EXPECT_EQ(net::WinsockNumberForResolver(code, 0), number) << code;
  EXPECT_EQ(net::WinsockNumberForResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

}  // namespace
}  // namespace vantu::testing
