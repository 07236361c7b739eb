// A client's cookie jar: the essentials of RFC 6265 (domain, path, expiry,
// secure). Times are seconds since 1970, passed in so rules are testable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantu::http {

class CookieJar {
 public:
  // One "Set-Cookie" value, or one "Set-Cookie2" value (a comma-separated
  // list), received from host for a request to path.
  void Store(std::string_view header, bool version2, std::string_view host, std::string_view path,
             std::int64_t now);

  // The "Cookie" value for a plain-http request, "" when nothing matches.
  std::string Header(std::string_view host, std::string_view path, std::int64_t now) const;

 private:
  struct Cookie {
    std::string name, value, domain, path;
    bool hostOnly = true;
    bool secure = false;
    std::optional<std::int64_t> expiry;  // none: kept for the client's life
    std::uint64_t created = 0;
  };
  void StoreOne(std::string_view text, std::string_view host, std::string_view path,
                std::int64_t now);
  // Replaces the cookie of the same name, domain and path, or adds it and
  // drops the oldest when the jar is full; an expiry in the past only deletes.
  void Keep(Cookie cookie, std::int64_t now);

  std::vector<Cookie> cookies_;
  std::uint64_t serial_ = 0;
};

// An "Expires" date by RFC 6265's lenient algorithm; nothing when unusable.
std::optional<std::int64_t> ParseCookieDate(std::string_view text);

}  // namespace vantu::http
