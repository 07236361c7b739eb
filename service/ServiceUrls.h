// The service's two request URLs and the value encoding that keeps every
// request line intact. Plain 8-bit text; what a title means (its artist and
// its song) is the report's business (reporting/TitleRules.h).
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// Percent-encodes one query value: bytes 0..32 and 127 and the bytes
// "#" "%" "&" "+" "\" as "%XX" (uppercase hex); every other byte as is, so
// ordinary names and titles reach the wire unchanged apart from "%20".
std::string EncodeQueryValue(std::string_view text);

// ServiceBaseUrl + "/listen_in.php?version=110&username=...&password=...
// &artist=...&song=...", every value encoded with EncodeQueryValue.
std::string BuildListenInUrl(std::string_view artist, std::string_view song, std::string_view nickname,
                             std::string_view password);

// ServiceBaseUrl + "/verify_user.php?version=110&username=...&password=...",
// both values encoded with EncodeQueryValue.
std::string BuildVerifyUrl(std::string_view user, std::string_view password);

}  // namespace vantu
