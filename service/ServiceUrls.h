// The service's two request URLs and the value encoding that keeps every
// request line intact. Plain 8-bit text.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// Percent-encodes one query value: bytes 0..32 and 127 and the bytes
// "#" "%" "&" "+" "\" as "%XX" (uppercase hex); every other byte as is, so
// ordinary names and titles reach the wire unchanged apart from "%20".
std::string EncodeQueryValue(std::string_view text);

struct ArtistSong {
  std::string Artist;
  std::string Song;
};

// "&" becomes "And", then the title is split at its first " - ". A title
// without " - " is all song and no artist: such titles are mostly bare file
// names or stream titles, which name what plays rather than who plays it.
ArtistSong SplitTitle(std::string_view title);

// ServiceBaseUrl + "/listen_in.php?version=110&username=...&password=...
// &artist=...&song=...", every value encoded with EncodeQueryValue.
std::string BuildListenInUrl(std::string_view title, std::string_view nickname,
                             std::string_view password);

// ServiceBaseUrl + "/verify_user.php?version=110&username=...&password=...",
// both values encoded with EncodeQueryValue.
std::string BuildVerifyUrl(std::string_view user, std::string_view password);

}  // namespace vantu
