// Where the settings file lives: beside the host's executable, not beside
// this library, in the host's plug-in folder.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// The executable's folder with its trailing backslash, then
// "Plugins\gen_vantu.ini".
std::string SettingsPathFor(std::string_view executablePath);

}  // namespace vantu
