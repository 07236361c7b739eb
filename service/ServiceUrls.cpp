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

}  // namespace

std::string EncodeQueryValue(std::string_view text) {
  return PercentEncode(text, NeedsEncoding);
}

std::string BuildListenInUrl(std::string_view artist, std::string_view song, std::string_view nickname,
                             std::string_view password) {
  return std::string(ServiceBaseUrl) + "/listen_in.php?version=110&username=" + EncodeQueryValue(nickname) +
         "&password=" + EncodeQueryValue(password) + "&artist=" + EncodeQueryValue(artist) +
         "&song=" + EncodeQueryValue(song);
}

std::string BuildVerifyUrl(std::string_view user, std::string_view password) {
  return std::string(ServiceBaseUrl) + "/verify_user.php?version=110&username=" +
         EncodeQueryValue(user) + "&password=" + EncodeQueryValue(password);
}

}  // namespace vantu
