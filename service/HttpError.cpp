#include "service/HttpError.h"

#include <utility>

namespace vantu {
namespace {

struct SocketText {
  int number;
  const char* text;
};

// Windows-1252: \xFC = u umlaut, \xF6 = o umlaut, \xDF = sharp s.
constexpr SocketText kSocketTexts[] = {
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
};

const char* FixedText(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::ClosedGracefully: return "Die Verbindung wurde erfolgreich geschlossen.";
    case HttpFailure::ReadTimeout: return "Zeit\xFC" "berschreitung beim Lesen";
    case HttpFailure::LineTooLong: return "Max. Zeilenl\xE4nge \xFC" "berschritten.";
    case HttpFailure::TooManyHeaderLines: return "Max. Anzahl Kopfzeilen \xFC" "berschritten.";
    case HttpFailure::HttpsUnsupported: return "Wert f\xFCr IOHandler ist ung\xFCltig";
    case HttpFailure::SuccessHeadCutOff: return "Undefined situation";
    case HttpFailure::UnknownProtocol:
    case HttpFailure::Protocol:
    case HttpFailure::Socket: break;
  }
  return "";
}

}  // namespace

const char* SocketErrorText(int socketError) {
  for (const SocketText& entry : kSocketTexts) {
    if (entry.number == socketError) return entry.text;
  }
  return "";
}

std::string SocketErrorMessage(int socketError) {
  // std::to_string, not snprintf: mingw-w64's snprintf brings its whole
  // printf engine, floating point included, into the DLL.
  std::string message = "Socket-Fehler # ";
  message += std::to_string(socketError);
  message += "\r\n";
  message += SocketErrorText(socketError);
  return message;
}

HttpError::HttpError(HttpFailure failure) : HttpError(failure, FixedText(failure), 0, {}) {}

HttpError::HttpError(HttpFailure failure, std::string message, int number, std::string body)
    : failure_(failure), message_(std::move(message)), number_(number), body_(std::move(body)) {}

HttpError HttpError::Protocol(std::string statusLine, int statusCode, std::string body) {
  return HttpError(HttpFailure::Protocol, std::move(statusLine), statusCode, std::move(body));
}

HttpError HttpError::Socket(int socketError) {
  return HttpError(HttpFailure::Socket, SocketErrorMessage(socketError), socketError, {});
}

}  // namespace vantu
