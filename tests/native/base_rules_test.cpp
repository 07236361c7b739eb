// The error box's wording, the text helpers and the outcome type.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "base/Error.h"
#include "base/ErrorBox.h"
#include "base/Expected.h"
#include "base/TextRules.h"

namespace vantu {
namespace {

TEST(ErrorBoxCaption, IsTheExecutableNameCutAtItsFirstDotWithTheFirstLetterAsIs) {
  const struct {
    const char* path;
    const char* caption;
  } cases[] = {
      {"C:\\Program Files\\Winamp\\WINAMP.EXE", "Winamp"},
      {"C:\\Tools\\vantu_host.exe", "vantu_host"},
      {"C:\\a.b\\my.player.exe", "my"},
      {"Z:\\x\\player", "player"},
      {"C:\\x\\eXE.exe", "exe"},
      {"C:\\x\\\xC4RGER.exe", "\xC4rger"},
      {"plain.exe", "plain"},
      {"C:\\x\\.hidden.exe", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorBoxCaption(c.path), c.caption) << c.path;
  }
}

TEST(ErrorBoxText, AppendsADotAfterCharactersThatSortAfterIt) {
  const struct {
    const char* message;
    const char* text;
  } cases[] = {
      {"In C:\\x\\gen_vantu.ini kann nicht geschrieben werden",
       "In C:\\x\\gen_vantu.ini kann nicht geschrieben werden."},
      {"Verbindung abgelehnt.", "Verbindung abgelehnt."},
      {"ends with digit 7", "ends with digit 7."},
      {"ends with slash/", "ends with slash/."},
      {"ends with dash-", "ends with dash-"},
      {"ends with space ", "ends with space "},
      {"ends with comma,", "ends with comma,"},
      {"ends with umlaut \xFC", "ends with umlaut \xFC."},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorBoxText(c.message), c.text) << "[" << c.message << "]";
  }
}

TEST(TextRules, TouchOnlyAsciiAndBlanks) {
  EXPECT_EQ(AsciiLower("AbC\xC4\xD6-Z"), "abc\xC4\xD6-z");
  EXPECT_EQ(TrimBlanks(" \t\x01 a b \r\n"), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks("\xA0x\xA0"), "\xA0x\xA0");
}

// The one digit reader of every layer: what counts as digits, and where the
// limit cuts a value off.
TEST(ParseDigits, ReadsOnlyDigitsAndSaturatesAtTheLimit) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const struct {
    const char* text;
    unsigned base;
    std::uint64_t limit;
    std::optional<std::uint64_t> value;  // nothing: not digits
    bool saturated;
  } cases[] = {
      {"0", 10, kMax, 0, false},
      {"007", 10, kMax, 7, false},
      {"65535", 10, 65535, 65535, false},
      {"65536", 10, 65535, 65535, true},
      {"99999999999999999999", 10, 65535, 65535, true},
      {"18446744073709551615", 10, kMax, kMax, false},
      {"18446744073709551616", 10, kMax, kMax, true},
      {"7", 10, 5, 5, true},
      {"0", 10, 0, 0, false},
      {"ff", 16, kMax, 255, false},
      {"FF", 16, kMax, 255, false},
      {"10000000000000000", 16, kMax, kMax, true},
      {"", 10, kMax, std::nullopt, false},
      {"a", 10, kMax, std::nullopt, false},
      {"g", 16, kMax, std::nullopt, false},
      {"12x", 10, kMax, std::nullopt, false},
      {"99999999999999999999x", 10, kMax, std::nullopt, false},
      {"+1", 10, kMax, std::nullopt, false},
      {"-1", 10, kMax, std::nullopt, false},
      {" 1", 10, kMax, std::nullopt, false},
      {"1 ", 10, kMax, std::nullopt, false},
  };
  for (const auto& c : cases) {
    const std::optional<ParsedDigits> parsed = ParseDigits(c.text, c.base, c.limit);
    ASSERT_EQ(parsed.has_value(), c.value.has_value()) << "\"" << c.text << "\" base " << c.base;
    if (!parsed) continue;
    EXPECT_EQ(parsed->value, *c.value) << "\"" << c.text << "\" base " << c.base;
    EXPECT_EQ(parsed->saturated, c.saturated) << "\"" << c.text << "\" base " << c.base;
  }
}

// A value that only moves, as the watcher and the dialog come back.
Expected<std::unique_ptr<int>, Error> Made(bool succeed) {
  if (!succeed) return Error("not made");
  return std::make_unique<int>(7);
}

Expected<void, Error> Done(bool succeed) {
  if (!succeed) return Error("not done");
  return {};
}

TEST(Expected, HoldsEitherTheValueOrTheError) {
  Expected<std::unique_ptr<int>, Error> made = Made(true);
  ASSERT_TRUE(made);
  EXPECT_EQ(**made, 7);
  std::unique_ptr<int> taken = std::move(*made);
  EXPECT_EQ(*taken, 7);

  const Expected<std::unique_ptr<int>, Error> failed = Made(false);
  EXPECT_FALSE(failed);
  EXPECT_FALSE(failed.HasValue());
  EXPECT_EQ(failed.Error().Message(), "not made");

  EXPECT_TRUE(Done(true));
  const Expected<void, Error> undone = Done(false);
  ASSERT_FALSE(undone);
  EXPECT_EQ(undone.Error().Message(), "not done");
}

// Reading what an outcome does not hold is a program error, which ends the
// process on the fatal path with its reason rather than read garbage.
TEST(ExpectedDeathTest, ReadingWhatIsNotThereEndsTheProcess) {
  EXPECT_DEATH((void)Made(false).Value(), "fatal: the value of a failure was read");
  EXPECT_DEATH((void)Made(true).Error(), "fatal: the error of a success was read");
  EXPECT_DEATH((void)Done(true).Error(), "fatal: the error of a success was read");
}

}  // namespace
}  // namespace vantu
