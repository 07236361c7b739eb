// Text rules of the report path: the title normalisation, the value encoding
// that keeps every request line intact, the two request URLs and the file
// extension filter. Plain 8-bit text; only ASCII letters change case.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// Upper-cases each letter at the start or after a space or "(", lower-cases
// every other letter; the result has the same length.
std::string TitleCase(std::string_view text);

// Percent-encodes one query value: bytes 0..32 and 127 and the bytes
// "#" "%" "&" "+" "\" as "%XX" (uppercase hex); every other byte as is, so
// ordinary names and titles reach the wire unchanged apart from "%20".
std::string EncodeQueryValue(std::string_view text);

struct TArtistSong {
  std::string Artist;
  std::string Song;
};

// "&" becomes "And", then the title is split at its first " - ". A title
// without " - " is all song and no artist: such titles are mostly bare file
// names or stream titles, which name what plays rather than who plays it.
TArtistSong SplitTitle(std::string_view title);

// ServiceBaseUrl + "/listen_in.php?version=110&username=...&password=...
// &artist=...&song=...", every value encoded with EncodeQueryValue.
std::string BuildListenInUrl(std::string_view title, std::string_view nickname,
                             std::string_view password);

// ServiceBaseUrl + "/verify_user.php?version=110&username=...&password=...",
// both values encoded with EncodeQueryValue.
std::string BuildVerifyUrl(std::string_view user, std::string_view password);

// The part from the last "." after the last "\" or ":", dot included, empty
// when there is none. "/" is no delimiter, so web addresses are taken as is.
std::string_view FileExtension(std::string_view fileName);

// The extension, lower-cased in ASCII, is exactly one of ".mp3", ".ogg",
// ".mpc", ".aac", ".wma", ".flac".
bool IsSupportedFile(std::string_view fileName);

}  // namespace vantu
