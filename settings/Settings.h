// The user's three settings, in memory and in their INI file.
#pragma once

#include <string>

#include "base/Error.h"

namespace vantu {

// The longest text the plug-in keeps: a value read from the settings file is
// cut there, and the dialog's boxes take no more.
inline constexpr int MaxTextLength = 2047;

// A key could not be written; the message names the whole file path.
class IniWriteError : public Error {
 public:
  explicit IniWriteError(const std::string& path);
};

// The values without their file, so that the rules over them run natively.
struct SettingValues {
  std::string Nickname;
  std::string Password;
  bool Active = true;
};

class Settings : public SettingValues {
 public:
  // Binds to path (used as is; a missing file reads as defaults) and loads.
  explicit Settings(std::string path);

  void Load();
  // Writes "Active", "Nickname", "Password" to section "Main", in that order.
  // Throws IniWriteError at the first key the profile function refuses.
  void Save();

 private:
  std::string path_;
};

}  // namespace vantu
