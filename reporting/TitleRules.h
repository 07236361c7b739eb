// Text rules of the report path: which files are reported, how a title is
// normalised, and how it becomes an artist and a song (the service's URL
// only encodes them: service/ServiceUrls.h). Plain 8-bit text; only ASCII
// letters change case.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

struct ArtistSong {
  std::string Artist;
  std::string Song;
};

// "&" becomes "And", then the title is split at its first " - ". A title
// without " - " is all song and no artist: such titles are mostly bare file
// names or stream titles, which name what plays rather than who plays it.
ArtistSong SplitTitle(std::string_view title);

// Upper-cases each letter at the start or after a space or "(", lower-cases
// every other letter; the result has the same length.
std::string TitleCase(std::string_view text);

// The part from the last "." after the last "\" or ":", dot included, empty
// when there is none. "/" is no delimiter, so web addresses are taken as is.
std::string_view FileExtension(std::string_view fileName);

// The extension, lower-cased in ASCII, is exactly one of ".mp3", ".ogg",
// ".mpc", ".aac", ".wma", ".flac".
bool IsSupportedFile(std::string_view fileName);

}  // namespace vantu
