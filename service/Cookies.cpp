#include "service/Cookies.h"

#include <algorithm>
#include <utility>

#include "base/TextRules.h"

namespace vantu::http {
namespace {

// A server cannot fill the jar without bound across requests.
constexpr std::size_t kMaxCookies = 50;
constexpr std::size_t kMaxCookieBytes = 4096;

bool HasControlByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 32 && byte != '\t') || byte == 127;
  });
}

std::string_view Unquote(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool IsIpv4Literal(std::string_view host) {
  return !host.empty() && host.find_first_not_of("0123456789.") == std::string_view::npos;
}

bool HasInnerDot(std::string_view domain) {
  const std::size_t dot = domain.find('.');
  return dot != std::string_view::npos && dot > 0 && dot + 1 < domain.size();
}

bool DomainMatches(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return !IsIpv4Literal(host) && host.size() > domain.size() &&
         host.substr(host.size() - domain.size()) == domain &&
         host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
  if (!StartsWith(requestPath, cookiePath)) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
         requestPath[cookiePath.size()] == '/';
}

std::string DefaultPath(std::string_view requestPath) {
  const std::size_t slash = requestPath.rfind('/');
  if (requestPath.empty() || requestPath.front() != '/' || slash == 0) return "/";
  return std::string(requestPath.substr(0, slash));
}

// Max-Age's delta seconds: an optional "-", then decimal digits.
std::optional<std::int64_t> ParseDeltaSeconds(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  // Far beyond any expiry; larger values saturate.
  constexpr std::uint64_t kLongest = 1'000'000'000'000;
  const std::optional<ParsedDigits> digits = ParseDigits(text, 10, kLongest);
  if (!digits) return std::nullopt;
  const auto seconds = static_cast<std::int64_t>(digits->value);
  return negative ? -seconds : seconds;
}

// Days from 1970-01-01 to a civil date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsDelimiter(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b == 0x09 || (b >= 0x20 && b <= 0x2F) || (b >= 0x3B && b <= 0x40) ||
         (b >= 0x5B && b <= 0x60) || (b >= 0x7B && b <= 0x7E);
}

// Leading digits of token, between min and max of them, followed by a non-digit or the end.
bool LeadingDigits(std::string_view token, std::size_t min, std::size_t max, unsigned& value,
                   std::size_t& used) {
  used = 0;
  while (used < token.size() && token[used] >= '0' && token[used] <= '9' && used < max + 1) ++used;
  if (used < min || used > max) return false;
  value = static_cast<unsigned>(ParseDigits(token.substr(0, used), 10, 9999)->value);
  return true;
}

bool ParseTime(std::string_view token, unsigned (&hms)[3]) {
  for (int part = 0; part < 3; ++part) {
    std::size_t used;
    if (!LeadingDigits(token, 1, 2, hms[part], used)) return false;
    token.remove_prefix(used);
    if (part < 2) {
      if (token.empty() || token.front() != ':') return false;
      token.remove_prefix(1);
    }
  }
  return true;
}

// One Set-Cookie value as the server wrote it, its attributes read by the
// rules that need no request.
struct SetCookie {
  std::string_view name, value;
  std::optional<std::int64_t> maxAge;     // the last Max-Age that is a number
  std::optional<std::int64_t> expires;    // the last Expires; nothing when its date is unusable
  std::vector<std::string_view> domains;  // every Domain that is not empty, in order
  std::optional<std::string_view> path;   // the last Path that begins with "/"
  bool secure = false;
};

// Nothing for a value that is too long, holds control bytes or has no name.
std::optional<SetCookie> ParseSetCookie(std::string_view text) {
  if (text.size() > kMaxCookieBytes || HasControlByte(text)) return std::nullopt;
  const std::string_view pair = text.substr(0, text.find(';'));
  const std::size_t equals = pair.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  SetCookie cookie;
  cookie.name = TrimBlanks(pair.substr(0, equals));
  cookie.value = TrimBlanks(pair.substr(equals + 1));
  if (cookie.name.empty()) return std::nullopt;
  for (std::size_t pos = pair.size(); pos < text.size();) {
    ++pos;  // the ';'
    std::size_t end = text.find(';', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view attribute = text.substr(pos, end - pos);
    pos = end;
    const std::size_t eq = attribute.find('=');
    const std::string name = AsciiLower(TrimBlanks(attribute.substr(0, eq)));
    const std::string_view value =
        eq == std::string_view::npos ? std::string_view() : Unquote(TrimBlanks(attribute.substr(eq + 1)));
    if (name == "max-age") {
      if (const std::optional<std::int64_t> seconds = ParseDeltaSeconds(value)) cookie.maxAge = seconds;
    } else if (name == "expires") {
      cookie.expires = ParseCookieDate(value);
    } else if (name == "domain") {
      if (!value.empty()) cookie.domains.push_back(value);
    } else if (name == "path") {
      if (!value.empty() && value.front() == '/') cookie.path = value;
    } else if (name == "secure") {
      cookie.secure = true;
    }
  }
  return cookie;
}

// Where a cookie goes back to.
struct CookieScope {
  std::string domain;
  bool hostOnly = true;
  std::string path;
};

// The sending host and the request's folder, unless Domain or Path name
// others; nothing when a Domain does not cover the sending host.
std::optional<CookieScope> ScopeOf(const SetCookie& cookie, const std::string& requestHost,
                                   std::string_view requestPath) {
  CookieScope scope{requestHost, true, DefaultPath(requestPath)};
  for (std::string_view attribute : cookie.domains) {
    std::string domain = AsciiLower(attribute);
    if (domain.front() == '.') domain.erase(0, 1);
    if (domain.empty() || !DomainMatches(requestHost, domain)) return std::nullopt;
    // A bare top-level label ("fm") would send the cookie to every host
    // under it; naming only the sending host itself keeps it host-only.
    if (!HasInnerDot(domain)) {
      if (domain != requestHost) return std::nullopt;
      continue;
    }
    scope.domain = std::move(domain);
    scope.hostOnly = false;
  }
  if (cookie.path) scope.path.assign(*cookie.path);
  return scope;
}

}  // namespace

std::optional<std::int64_t> ParseCookieDate(std::string_view text) {
  static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  bool haveTime = false, haveDay = false, haveMonth = false, haveYear = false;
  unsigned hms[3] = {}, day = 0, month = 0, year = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsDelimiter(text[pos])) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !IsDelimiter(text[end])) ++end;
    const std::string_view token = text.substr(pos, end - pos);
    pos = end;
    if (token.empty()) continue;
    std::size_t used;
    unsigned value;
    if (!haveTime && ParseTime(token, hms)) {
      haveTime = true;
    } else if (!haveDay && LeadingDigits(token, 1, 2, value, used)) {
      haveDay = true;
      day = value;
    } else if (!haveMonth && token.size() >= 3 &&
               std::find(std::begin(kMonths), std::end(kMonths), AsciiLower(token.substr(0, 3))) !=
                   std::end(kMonths)) {
      haveMonth = true;
      month = static_cast<unsigned>(
          std::find(std::begin(kMonths), std::end(kMonths), AsciiLower(token.substr(0, 3))) -
          std::begin(kMonths) + 1);
    } else if (!haveYear && LeadingDigits(token, 2, 4, value, used)) {
      haveYear = true;
      year = value;
    }
  }
  if (year >= 70 && year <= 99) year += 1900;
  if (year <= 69) year += 2000;
  if (!haveTime || !haveDay || !haveMonth || !haveYear) return std::nullopt;
  if (day < 1 || day > 31 || year < 1601 || hms[0] > 23 || hms[1] > 59 || hms[2] > 59) {
    return std::nullopt;
  }
  const std::int64_t days = DaysFromCivil(year, month, day);
  // Reject dates such as 31 April, which would roll over into the next month.
  if (month < 12 ? DaysFromCivil(year, month + 1, 1) <= days : day > 31) return std::nullopt;
  return days * 86400 + hms[0] * 3600 + hms[1] * 60 + hms[2];
}

void CookieJar::Store(std::string_view header, bool version2, std::string_view host,
                      std::string_view path, std::int64_t now) {
  if (!version2) {
    StoreOne(header, host, path, now);
    return;
  }
  // Set-Cookie2 lists cookies separated by commas outside quoted strings.
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= header.size(); ++i) {
    if (i < header.size() && header[i] == '"') quoted = !quoted;
    if (i == header.size() || (header[i] == ',' && !quoted)) {
      StoreOne(header.substr(start, i - start), host, path, now);
      start = i + 1;
    }
  }
}

void CookieJar::StoreOne(std::string_view text, std::string_view host, std::string_view path,
                         std::int64_t now) {
  const std::optional<SetCookie> parsed = ParseSetCookie(text);
  if (!parsed) return;
  std::optional<CookieScope> scope = ScopeOf(*parsed, AsciiLower(host), path);
  if (!scope) return;
  Cookie cookie;
  cookie.name.assign(parsed->name);
  cookie.value.assign(parsed->value);
  cookie.domain = std::move(scope->domain);
  cookie.path = std::move(scope->path);
  cookie.hostOnly = scope->hostOnly;
  cookie.secure = parsed->secure;
  // Max-Age wins over Expires.
  if (parsed->maxAge) {
    cookie.expiry = *parsed->maxAge <= 0 ? std::int64_t{0} : now + *parsed->maxAge;
  } else {
    cookie.expiry = parsed->expires;
  }
  Keep(std::move(cookie), now);
}

void CookieJar::Keep(Cookie cookie, std::int64_t now) {
  const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
    return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
  });
  if (same != cookies_.end()) {
    cookie.created = same->created;
    cookies_.erase(same);
  } else {
    cookie.created = ++serial_;
  }
  if (cookie.expiry && *cookie.expiry <= now) return;  // an expiry in the past deletes
  if (cookies_.size() >= kMaxCookies) {
    cookies_.erase(std::min_element(cookies_.begin(), cookies_.end(),
                                    [](const Cookie& a, const Cookie& b) { return a.created < b.created; }));
  }
  cookies_.push_back(std::move(cookie));
}

std::string CookieJar::Header(std::string_view host, std::string_view path, std::int64_t now) const {
  const std::string requestHost = AsciiLower(host);
  std::vector<const Cookie*> matches;
  for (const Cookie& cookie : cookies_) {
    if (cookie.secure) continue;  // this client has no TLS
    if (cookie.expiry && *cookie.expiry <= now) continue;
    if (cookie.hostOnly ? requestHost != cookie.domain : !DomainMatches(requestHost, cookie.domain)) {
      continue;
    }
    if (!PathMatches(path, cookie.path)) continue;
    matches.push_back(&cookie);
  }
  // Longer paths first, then older cookies first.
  std::stable_sort(matches.begin(), matches.end(), [](const Cookie* a, const Cookie* b) {
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->created < b->created;
  });
  std::string header;
  for (const Cookie* cookie : matches) {
    if (!header.empty()) header += "; ";
    header += cookie->name + "=" + cookie->value;
  }
  return header;
}

}  // namespace vantu::http
