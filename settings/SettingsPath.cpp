#include "settings/SettingsPath.h"

namespace vantu {

std::string SettingsPathFor(std::string_view executablePath) {
  const size_t end = executablePath.find_last_of("\\:");
  const std::string_view folder =
      end == std::string_view::npos ? std::string_view() : executablePath.substr(0, end + 1);
  return std::string(folder) + "Plugins\\gen_vantu.ini";
}

}  // namespace vantu
