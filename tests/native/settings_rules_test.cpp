#include <gtest/gtest.h>

#include "settings/Settings.h"

namespace vantu {
namespace {

struct ActiveCase {
  const char* text;
  bool expected;
};

// Every value a user or an older version may have left in "Active=".
TEST(ParseActive, ReadsTheIntegerRule) {
  const ActiveCase cases[] = {
      {"0", false},        {"1", true},          {"2", true},         {"-1", true},
      {"0x1", true},       {"$1F", true},        {"yes", true},       {"false", true},
      {"0x", true},        {"", true},           {"0x0", false},      {"0X0", false},
      {"$0", false},       {"x0", false},        {"X0", false},       {"-0", false},
      {"+0", false},       {"  0", false},       {"000", false},      {"0 ", true},
      {"0a", true},        {"1.0", true},        {"- 1", true},       {"$", true},
      {"x", true},         {"+", true},          {"0x0x0", true},     {"-$0", false},
      {"2147483647", true}, {"4294967296", true}, {"$FFFFFFFF", true}, {"$100000000", true},
      {"0000000000000000000000", false},
  };
  for (const ActiveCase& c : cases) {
    EXPECT_EQ(ParseActive(c.text), c.expected) << "Active=" << c.text;
  }
}

TEST(ParseProfileInteger, ConvertsOrRefuses) {
  const struct {
    const char* text;
    std::optional<long long> expected;
  } cases[] = {
      {"0x1", 1},          {"$1F", 31},         {"-$1F", -31},          {"x10", 16},
      {" +7", 7},          {"-2147483648", -2147483648LL},               {"2147483648", std::nullopt},
      {"$FFFFFFFF", -1},   {"0x", std::nullopt}, {"1 ", std::nullopt},   {"", std::nullopt},
      {"0x-1", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseProfileInteger(c.text), c.expected) << "text: \"" << c.text << "\"";
  }
}

// Values that the profile reader would change are quoted, every other value
// is written exactly as typed.
TEST(ProfileValueToWrite, QuotesOnlyWhatWouldNotReadBack) {
  const struct {
    const char* value;
    const char* written;
  } cases[] = {
      {"", ""},
      {"secret", "secret"},
      {"a b", "a b"},
      {"a&b=c;d[e]", "a&b=c;d[e]"},
      {"\xE4\xF6\xFC\xDF", "\xE4\xF6\xFC\xDF"},
      {" lead", "\" lead\""},
      {"trail ", "\"trail \""},
      {"\ttab", "\"\ttab\""},
      {"\"quoted\"", "\"\"quoted\"\""},
      {"'single'", "\"'single'\""},
      {"\"half", "\"\"half\""},
      {"half'", "\"half'\""},
      {"mid\"dle", "mid\"dle"},
      {"pw\r\nActive=0", "pw"},
      {"pw\nActive=0", "pw"},
      {"pw\rx", "pw"},
      {"pw \r\n", "\"pw \""},
      {"\r\nActive=0", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileValueToWrite(c.value), c.written) << "value: [" << c.value << "]";
  }
}

// The file belongs beside the executable that loaded the library.
TEST(SettingsPathFor, IsThePluginsFolderBesideTheExecutable) {
  const struct {
    const char* executable;
    const char* path;
  } cases[] = {
      {"C:\\Program Files\\Winamp\\winamp.exe", "C:\\Program Files\\Winamp\\Plugins\\gen_vantu.ini"},
      {"Z:\\tmp\\p.q\\host", "Z:\\tmp\\p.q\\Plugins\\gen_vantu.ini"},
      {"C:winamp.exe", "C:Plugins\\gen_vantu.ini"},
      {"winamp.exe", "Plugins\\gen_vantu.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SettingsPathFor(c.executable), c.path) << c.executable;
  }
}

}  // namespace
}  // namespace vantu
