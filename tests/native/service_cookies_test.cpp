// The cookie jar's domain, path, expiry and secure rules.
#include <gtest/gtest.h>

#include "service/Cookies.h"

namespace vantu::http {
namespace {

constexpr std::int64_t kNow = 1'700'000'000;  // 2023-11-14 22:13:20 UTC

struct SetCase {
  const char* name;
  std::vector<std::string> setCookies;  // received from www.vantu.fm for /dir/page.php
  const char* requestHost;
  const char* requestPath;
  std::int64_t when;
  std::string cookieHeader;
};

TEST(CookieJar, WhichCookiesGoBack) {
  const SetCase cases[] = {
      {"session_cookie_same_host", {"sid=abc"}, "www.vantu.fm", "/dir/x", kNow, "sid=abc"},
      {"host_only_not_to_subdomain", {"sid=abc"}, "a.www.vantu.fm", "/dir/x", kNow, ""},
      {"host_name_without_case", {"sid=abc"}, "WWW.Vantu.FM", "/dir/x", kNow, "sid=abc"},
      {"domain_covers_subdomains", {"sid=abc; Domain=.vantu.fm"}, "api.vantu.fm", "/dir", kNow, "sid=abc"},
      {"domain_must_cover_sender", {"sid=abc; Domain=other.fm"}, "other.fm", "/dir", kNow, ""},
      {"domain_not_a_mere_suffix", {"sid=abc; Domain=vantu.fm"}, "evilvantu.fm", "/dir", kNow, ""},
      {"bare_top_level_domain_rejected", {"sid=abc; Domain=fm"}, "other.fm", "/dir", kNow, ""},
      {"bare_top_level_domain_with_dot_rejected", {"sid=abc; Domain=.FM"}, "other.fm", "/dir", kNow, ""},
      {"bare_top_level_domain_drops_the_cookie", {"sid=abc; Domain=fm"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"trailing_dot_is_no_inner_dot", {"sid=abc; Domain=fm."}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"default_path_is_the_directory", {"sid=abc"}, "www.vantu.fm", "/other", kNow, ""},
      {"default_path_matches_below", {"sid=abc"}, "www.vantu.fm", "/dir/deeper/y", kNow, "sid=abc"},
      {"path_prefix_needs_a_slash", {"sid=abc; Path=/di"}, "www.vantu.fm", "/dir", kNow, ""},
      {"explicit_root_path", {"sid=abc; Path=/"}, "www.vantu.fm", "/anything", kNow, "sid=abc"},
      {"relative_path_ignored", {"sid=abc; Path=dir"}, "www.vantu.fm", "/dir/x", kNow, "sid=abc"},
      {"secure_never_over_http", {"sid=abc; Secure"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"max_age_in_future", {"sid=abc; Max-Age=60"}, "www.vantu.fm", "/dir/x", kNow + 59, "sid=abc"},
      {"max_age_passed", {"sid=abc; Max-Age=60"}, "www.vantu.fm", "/dir/x", kNow + 60, ""},
      {"max_age_zero_deletes", {"sid=abc", "sid=x; Max-Age=0"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"max_age_negative_deletes", {"sid=abc", "sid=x; Max-Age=-1"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"max_age_beyond_any_expiry", {"sid=abc; Max-Age=99999999999999999999999"}, "www.vantu.fm", "/dir/x",
       kNow + 100LL * 365 * 86400, "sid=abc"},
      {"max_age_hugely_negative_deletes", {"sid=abc", "sid=x; Max-Age=-99999999999999999999999"}, "www.vantu.fm",
       "/dir/x", kNow, ""},
      {"max_age_not_a_number_ignored", {"sid=abc; Max-Age=1e3; Max-Age=+5"}, "www.vantu.fm", "/dir/x",
       kNow + 100LL * 365 * 86400, "sid=abc"},
      {"max_age_over_expires", {"sid=abc; Expires=Wed, 09 Jun 2021 10:18:14 GMT; Max-Age=60"}, "www.vantu.fm",
       "/dir/x", kNow, "sid=abc"},
      {"expires_past_deletes", {"sid=abc", "sid=x; Expires=Wed, 09 Jun 2021 10:18:14 GMT"}, "www.vantu.fm",
       "/dir/x", kNow, ""},
      {"expires_future", {"sid=abc; expires=Fri, 01-Jan-2038 00:00:00 GMT"}, "www.vantu.fm", "/dir/x", kNow,
       "sid=abc"},
      {"replaced_by_name", {"a=1", "a=2"}, "www.vantu.fm", "/dir/x", kNow, "a=2"},
      {"longer_path_first",
       {"a=1; Path=/", "b=2; Path=/dir/x", "c=3; Path=/dir"}, "www.vantu.fm", "/dir/x", kNow, "b=2; c=3; a=1"},
      {"value_trimmed_quotes_kept", {" a = \"q v\" ; Path=/"}, "www.vantu.fm", "/", kNow, "a=\"q v\""},
      {"no_equals_ignored", {"justvalue"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"empty_name_ignored", {"=v"}, "www.vantu.fm", "/dir/x", kNow, ""},
      {"control_bytes_ignored", {"a=b\rX-Evil: 1"}, "www.vantu.fm", "/dir/x", kNow, ""},
      // A server could otherwise make each request carry many cookies of any size.
      {"longest_cookie_kept", {"a=" + std::string(4094, 'v')}, "www.vantu.fm", "/dir/x", kNow,
       "a=" + std::string(4094, 'v')},
      {"one_byte_longer_dropped", {"a=" + std::string(4095, 'v')}, "www.vantu.fm", "/dir/x", kNow, ""},
  };
  for (const SetCase& c : cases) {
    CookieJar jar;
    for (const std::string& header : c.setCookies) jar.Store(header, false, "www.vantu.fm", "/dir/page.php", kNow);
    EXPECT_EQ(jar.Header(c.requestHost, c.requestPath, c.when), c.cookieHeader) << c.name;
  }
}

TEST(CookieJar, SetCookie2ListsSeveral) {
  CookieJar jar;
  jar.Store("a=1; Version=\"1\"; Path=\"/\", b=\"x,y\"; Version=1", true, "h", "/p", kNow);
  EXPECT_EQ(jar.Header("h", "/", kNow), "a=1; b=\"x,y\"");
}

TEST(CookieJar, DomainOfADotlessHostStaysWithThatHost) {
  CookieJar jar;
  jar.Store("sid=abc; Domain=LocalHost", false, "localhost", "/", kNow);
  EXPECT_EQ(jar.Header("localhost", "/", kNow), "sid=abc");
  EXPECT_EQ(jar.Header("a.localhost", "/", kNow), "") << "host-only, as without the attribute";
}

TEST(CookieJar, StaysBoundedAgainstAFloodOfNames) {
  CookieJar jar;
  for (int i = 0; i < 1000; ++i) {
    // Appended, not "c" + std::to_string(i): GCC 12 warns falsely at -O3 about that insert.
    std::string cookie = "c";
    cookie += std::to_string(i);
    cookie += "=v";
    jar.Store(cookie, false, "h", "/", kNow);
  }
  const std::string header = jar.Header("h", "/", kNow);
  EXPECT_EQ(header.find("c0=v"), std::string::npos) << "oldest evicted";
  EXPECT_NE(header.find("c999=v"), std::string::npos) << "newest kept";
  EXPECT_LT(header.size(), 1000u);
}

TEST(CookieJar, KeepsFiftyCookiesTheOldestEvicted) {
  CookieJar jar;
  std::string newest50;
  for (int i = 0; i <= 50; ++i) {
    std::string cookie = "c";
    cookie += std::to_string(i);
    cookie += "=v";
    jar.Store(cookie, false, "h", "/", kNow);
    if (i == 0) continue;
    if (!newest50.empty()) newest50 += "; ";
    newest50 += cookie;
  }
  EXPECT_EQ(jar.Header("h", "/", kNow), newest50);
}

TEST(CookieDate, LenientFormats) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"Wed, 09 Jun 2021 10:18:14 GMT", 1623233894},
      {"Wednesday, 09-Jun-21 10:18:14 GMT", 1623233894},
      {"Wed Jun  9 10:18:14 2021", 1623233894},
      {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
      {"Sat, 29 Feb 2020 23:59:59 GMT", 1583020799},
      {"Fri, 31 Dec 1999 23:59:59 GMT", 946684799},
      {"31 Apr 2021 00:00:00", std::nullopt},
      {"29 Feb 2021 00:00:00", std::nullopt},
      {"09 Jun 2021 24:00:00", std::nullopt},
      {"Jun 2021 10:18:14", std::nullopt},
      {"09 Jun 1600 10:18:14", std::nullopt},
      {"", std::nullopt},
      {"garbage", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(ParseCookieDate(text), expected) << text;
}

}  // namespace
}  // namespace vantu::http
