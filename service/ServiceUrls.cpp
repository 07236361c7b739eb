#include "service/ServiceUrls.h"

#include "base/TextRules.h"
#include "vantu_config.h"

namespace vantu {

namespace {

bool NeedsEncoding(unsigned char byte) {
  switch (byte) {
    case '#': case '%': case '&': case '+': case '\\':
      return true;
    default:
      return IsControlOrSpace(byte);
  }
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(what, start)) != std::string_view::npos;
       start = hit + what.size()) {
    result.append(text.substr(start, hit - start)).append(with);
  }
  result.append(text.substr(start));
  return result;
}

}  // namespace

std::string EncodeQueryValue(std::string_view text) {
  return PercentEncode(text, NeedsEncoding);
}

ArtistSong SplitTitle(std::string_view title) {
  // The service's data spells "&" as "And"; " - " holds no "&", so replacing
  // first leaves the split where it was.
  std::string text = ReplaceAll(title, "&", "And");
  static constexpr std::string_view Separator = " - ";
  std::size_t at = text.find(Separator);
  if (at == std::string::npos) return {"", text};
  return {text.substr(0, at), text.substr(at + Separator.size())};
}

std::string BuildListenInUrl(std::string_view title, std::string_view nickname,
                             std::string_view password) {
  ArtistSong parts = SplitTitle(title);
  return std::string(ServiceBaseUrl) + "/listen_in.php?version=110&username=" +
         EncodeQueryValue(nickname) + "&password=" + EncodeQueryValue(password) +
         "&artist=" + EncodeQueryValue(parts.Artist) + "&song=" + EncodeQueryValue(parts.Song);
}

std::string BuildVerifyUrl(std::string_view user, std::string_view password) {
  return std::string(ServiceBaseUrl) + "/verify_user.php?version=110&username=" +
         EncodeQueryValue(user) + "&password=" + EncodeQueryValue(password);
}

}  // namespace vantu
