// The user's three settings, in memory and in their INI file. The file's
// rules that need no file are plain functions (Settings.cpp), tested
// natively: where the file lives, how the "Active" text becomes a flag, and
// how a value is written so that the profile functions read it back
// unchanged. The store over the private-profile functions is Settings_win.cpp.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "base/Expected.h"

namespace vantu {

// The longest text the plug-in keeps: a value read from the settings file is
// cut there, and the dialog's boxes take no more.
inline constexpr int MaxTextLength = 2047;

// A key could not be written; the message names the whole file path.
class IniWriteError : public Error {
 public:
  IniWriteError(const std::string& path, unsigned long systemError);
  // The profile function's own error number, as it left it.
  unsigned long SystemError() const { return systemError_; }

 private:
  unsigned long systemError_;
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
  // Stops with IniWriteError at the first key the profile function refuses.
  Expected<void, IniWriteError> Save();

 private:
  std::string path_;
};

// Where the settings file lives: beside the host's executable, not beside
// this library, in the host's plug-in folder. The executable's folder with
// its trailing backslash, then "Plugins\gen_vantu.ini".
std::string SettingsPathFor(std::string_view executablePath);

// The profile integer rule: optional leading spaces, an optional sign, then
// decimal digits or hexadecimal digits behind "$", "x", "X", "0x" or "0X";
// nothing may follow. A text longer than two characters that begins with
// "0x" or "0X" has those two replaced by "$" first. Values outside the
// 32-bit range do not convert.
std::optional<long long> ParseProfileInteger(std::string_view text);

// "Active": any non-zero integer is true, zero is false, a text that does
// not convert gives the default (true).
bool ParseActive(std::string_view text);

// Only the value's first line is written. The profile functions strip
// surrounding blanks and one pair of surrounding quotes when they read. A
// value that would come back changed is wrapped in double quotes (which the
// read strips again); every other value is written as it is, so files keep
// their familiar form.
std::string ProfileValueToWrite(std::string_view value);

}  // namespace vantu
