// The settings file's read and write rules that need no file: how the
// "Active" text becomes a flag, and how a value is written so that the
// profile functions read it back unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantu {

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
