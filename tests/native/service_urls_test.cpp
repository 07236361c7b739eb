// The service's request URLs: the value encoding and both URLs, read back
// by a standard query parser.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "service/ServiceUrls.h"
#include "vantu_config.h"

namespace vantu {
namespace {

using namespace std::string_literals;

TEST(EncodeQueryValue, EncodesControlBytesSpaceAndTheQuerySyntaxBytesOnly) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"jo smith", "jo%20smith"},
      {"a\r\nHost: evil", "a%0D%0AHost:%20evil"},
      {"\0\x01\x1F\x7F"s, "%00%01%1F%7F"},
      {"#%&+\\", "%23%25%26%2B%5C"},
      {"100% - #1", "100%25%20-%20%231"},
      {"a&b=c+d%", "a%26b=c%2Bd%25"},
      // Everything else goes as it is, so ordinary names reach the wire
      // unchanged.
      {"AC/DC?x=y;z@!$'()*,~-_.:", "AC/DC?x=y;z@!$'()*,~-_.:"},
      {"Mot\xF6rhead \x80\xFF", "Mot\xF6rhead%20\x80\xFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeQueryValue(c.in), c.out) << "[" << c.in << "]";
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case hex is not what we send
}

// What a standard query parser makes of one value: "+" is a space and
// "%XX" a byte.
std::string DecodeQueryValue(const std::string& value) {
  std::string result;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '+') {
      result += ' ';
    } else if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
               HexValue(value[i + 2]) >= 0) {
      result += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
      i += 2;
    } else {
      result += value[i];
    }
  }
  return result;
}

// Splits the query of url as a standard parser does: the target ends at
// "#", pairs at "&", name and value at the first "=".
std::map<std::string, std::string> ParseQuery(const std::string& url) {
  std::string query = url.substr(url.find('?') + 1);
  query = query.substr(0, query.find('#'));
  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(start, end - start);
    std::size_t equals = pair.find('=');
    EXPECT_NE(equals, std::string::npos) << "pair without value [" << pair << "] in " << url;
    EXPECT_EQ(values.count(pair.substr(0, equals)), 0u) << "repeated name in " << url;
    values[pair.substr(0, equals)] = DecodeQueryValue(pair.substr(equals + 1));
    start = end + 1;
  }
  return values;
}

TEST(EncodeQueryValue, EveryByteSurvivesAStandardQueryParserAndNoneBreaksTheRequestLine) {
  std::string allBytes;
  for (int byte = 0; byte < 256; ++byte) allBytes += static_cast<char>(byte);
  std::string encoded = EncodeQueryValue(allBytes);
  for (char c : encoded) {
    auto byte = static_cast<unsigned char>(c);
    EXPECT_FALSE(byte <= 32 || byte == 127 || c == '#' || c == '&' || c == '+' || c == '\\')
        << "raw byte " << int{byte} << " in the encoded text";
  }
  EXPECT_EQ(DecodeQueryValue(encoded), allBytes);
}

TEST(BuildListenInUrl, EncodesEachValueInItsPlace) {
  const struct {
    std::string artist, song, nickname, password, query;
  } cases[] = {
      {"Pink Floyd", "Money", "jo smith", "pw",
       "version=110&username=jo%20smith&password=pw&artist=Pink%20Floyd&song=Money"},
      {"", "", "", "", "version=110&username=&password=&artist=&song="},
      {"", "Radio Paradise", "u", "p", "version=110&username=u&password=p&artist=&song=Radio%20Paradise"},
      {"A", "B - C", "u", "p", "version=110&username=u&password=p&artist=A&song=B%20-%20C"},
      {"100%", "#1", "u", "p", "version=110&username=u&password=p&artist=100%25&song=%231"},
      {"Guns + Roses", "X", "a&b", "a&b=c+d%",
       "version=110&username=a%26b&password=a%26b=c%2Bd%25&artist=Guns%20%2B%20Roses&song=X"},
      {"A\r\nX-Injected: 1", "B", "u", "p",
       "version=110&username=u&password=p&artist=A%0D%0AX-Injected:%201&song=B"},
      {"Mot\xF6rhead", "Ace Of Spades", "u", "p",
       "version=110&username=u&password=p&artist=Mot\xF6rhead&song=Ace%20Of%20Spades"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildListenInUrl(c.artist, c.song, c.nickname, c.password),
              std::string(ServiceBaseUrl) + "/listen_in.php?" + c.query)
        << "[" << c.artist << "] [" << c.song << "]";
  }
}

TEST(BuildListenInUrl, ValuesReachAStandardQueryParserAsTyped) {
  const struct {
    std::string artist, song, nickname, password;
  } cases[] = {
      {"AC/DC", "T.N.T.", "jo smith", "a&b=c+d%"},
      {"Simon And Garfunkel", "The Boxer", "u", "p"},
      {"Guns + Roses", "X", "u+1", "#p"},
      {"100%", "#1", "50%", "p\\q"},
      {"Evil\r\nHost: x", "Song?a=b", "u", "p"},
  };
  for (const auto& c : cases) {
    auto values = ParseQuery(BuildListenInUrl(c.artist, c.song, c.nickname, c.password));
    std::map<std::string, std::string> expected = {{"version", "110"},
                                                   {"username", c.nickname},
                                                   {"password", c.password},
                                                   {"artist", c.artist},
                                                   {"song", c.song}};
    EXPECT_EQ(values, expected) << "[" << c.artist << "] [" << c.song << "]";
  }
}

TEST(BuildVerifyUrl, EncodesUserAndPasswordLikeTheReport) {
  const struct {
    std::string user, password, query;
  } cases[] = {
      {"jo", "secret", "version=110&username=jo&password=secret"},
      {"", "", "version=110&username=&password="},
      {"jo smith", "a&b=c+d%", "version=110&username=jo%20smith&password=a%26b=c%2Bd%25"},
      {"a#b", "x\r\ny", "version=110&username=a%23b&password=x%0D%0Ay"},
  };
  for (const auto& c : cases) {
    std::string url = BuildVerifyUrl(c.user, c.password);
    EXPECT_EQ(url, std::string(ServiceBaseUrl) + "/verify_user.php?" + c.query) << "[" << c.user << "]";
    std::map<std::string, std::string> expected = {
        {"version", "110"}, {"username", c.user}, {"password", c.password}};
    EXPECT_EQ(ParseQuery(url), expected) << "[" << c.user << "]";
  }
}

}  // namespace
}  // namespace vantu
