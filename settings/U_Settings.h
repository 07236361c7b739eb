// The user's three settings, in memory and in their INI file.
#pragma once

#include <string>

#include "base/Error.h"

namespace vantu {

// A key could not be written; the message names the whole file path.
class EIniWriteError : public Error {
 public:
  explicit EIniWriteError(const std::string& path);
};

class TSettings {
 public:
  // Binds to path (used as is; a missing file reads as defaults) and loads.
  explicit TSettings(std::string path);

  void Load();
  // Writes "Active", "Nickname", "Password" to section "Main", in that order.
  // Throws EIniWriteError at the first key the profile function refuses.
  void Save();

  const std::string& Path() const { return path_; }

  std::string Nickname;
  std::string Password;
  bool Active = true;

 private:
  std::string path_;
};

}  // namespace vantu
