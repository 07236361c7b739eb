// The error box's wording and the text helpers.
#include <gtest/gtest.h>

#include "base/ErrorBox.h"
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

}  // namespace
}  // namespace vantu
