#include <gtest/gtest.h>

#include <string>

#include "reporting/TitleRules.h"

namespace vantu {
namespace {

using namespace std::string_literals;

TEST(TitleCase, UpperCasesWordStartsAfterSpaceOrParenthesisAndLowerCasesTheRest) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"the beatles - let it be", "The Beatles - Let It Be"},
      {"AC/DC - T.N.T.", "Ac/dc - T.n.t."},
      {"live (in concert)", "Live (In Concert)"},
      {"don't stop", "Don't Stop"},
      {"mcCARTNEY", "Mccartney"},
      {"", ""},
      {"  two  spaces", "  Two  Spaces"},
      {"((x", "((X"},
      {"tab\tand-dash", "Tab\tand-dash"},
      // Only ASCII letters change; bytes above 127 stay and do not start words.
      {"\xE9T\xC9 \xE9t\xE9 motT\xD6RHEAD", "\xE9t\xC9 \xE9t\xE9 Mott\xD6rhead"},
      {"1st 2ND", "1st 2nd"},
      {"a\0b c"s, "A\0b C"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TitleCase(c.in), c.out) << "[" << c.in << "]";
  }
}

TEST(FileExtension, IsThePartFromTheLastDotBehindTheLastBackslashOrColon) {
  const struct {
    const char* fileName;
    const char* extension;
  } cases[] = {
      {"C:\\Music\\a.mp3", ".mp3"},
      {"C:\\Music\\a.b.FLAC", ".FLAC"},
      {"C:\\Music.old\\track", ""},
      {"C:track", ""},
      {"C:.ogg", ".ogg"},
      {"http://radio.example/live.mp3", ".mp3"},
      {"http://radio.example/live", ".example/live"},
      {"trailing.", "."},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExtension(c.fileName), c.extension) << "[" << c.fileName << "]";
  }
}

TEST(SplitTitle, AmpersandBecomesAndThenTheFirstSeparatorSplits) {
  const struct {
    std::string title, artist, song;
  } cases[] = {
      {"Pink Floyd - Money", "Pink Floyd", "Money"},
      {"Tom & Jerry - Theme", "Tom And Jerry", "Theme"},
      {"Tom&Jerry - R&B", "TomAndJerry", "RAndB"},
      {" - Song", "", "Song"},
      {"Artist - ", "Artist", ""},
      {"A - B - C", "A", "B - C"},
      {"A-B -C", "", "A-B -C"},
      // No separator: the whole title is the song.
      {"Radio Paradise", "", "Radio Paradise"},
      {"", "", ""},
      {"100% - #1", "100%", "#1"},
      {"  Tom & Jerry - Theme ", "  Tom And Jerry", "Theme "},
      {"A\r\nX-Injected: 1 - B", "A\r\nX-Injected: 1", "B"},
      {"Mot\xF6rhead - Ace Of Spades", "Mot\xF6rhead", "Ace Of Spades"},
  };
  for (const auto& c : cases) {
    const ArtistSong parts = SplitTitle(c.title);
    EXPECT_EQ(parts.Artist, c.artist) << "[" << c.title << "]";
    EXPECT_EQ(parts.Song, c.song) << "[" << c.title << "]";
  }
}

}  // namespace
}  // namespace vantu
