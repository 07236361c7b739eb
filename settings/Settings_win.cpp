#include "settings/Settings.h"

#include <windows.h>

#include <vector>

namespace vantu {
namespace {

constexpr const char* Section = "Main";

std::string ReadValue(const std::string& path, const char* key, const char* defaultValue) {
  // Room for a quoted value of the longest length; cut after the quotes are gone.
  std::vector<char> buffer(MaxTextLength + 8, '\0');
  const DWORD length = GetPrivateProfileStringA(Section, key, defaultValue, buffer.data(),
                                                static_cast<DWORD>(buffer.size()), path.c_str());
  std::string value(buffer.data(), length);
  if (value.size() > MaxTextLength) value.resize(MaxTextLength);
  return value;
}

Expected<void, IniWriteError> WriteValue(const std::string& path, const char* key, const std::string& value) {
  if (!WritePrivateProfileStringA(Section, key, ProfileValueToWrite(value).c_str(), path.c_str())) {
    // Taken before anything else can overwrite it.
    const DWORD error = GetLastError();
    return IniWriteError(path, error);
  }
  return {};
}

}  // namespace

IniWriteError::IniWriteError(const std::string& path, unsigned long systemError)
    : Error("In " + path + " kann nicht geschrieben werden"), systemError_(systemError) {}

Settings::Settings(std::string path) : path_(std::move(path)) { Load(); }

void Settings::Load() {
  // An absent key reads as the default text; "Active" then does not convert
  // and the default (true) applies.
  Active = ParseActive(ReadValue(path_, "Active", ""));
  Nickname = ReadValue(path_, "Nickname", "");
  Password = ReadValue(path_, "Password", "");
}

Expected<void, IniWriteError> Settings::Save() {
  if (auto written = WriteValue(path_, "Active", Active ? "1" : "0"); !written) return written;
  if (auto written = WriteValue(path_, "Nickname", Nickname); !written) return written;
  return WriteValue(path_, "Password", Password);
}

}  // namespace vantu
