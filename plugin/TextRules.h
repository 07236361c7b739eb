// Byte-oriented text helpers shared by the subsystems: case mapping touches
// only the ASCII letters, trimming removes the bytes 0 to 32 at both ends.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

inline char AsciiLowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char AsciiUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiLowerChar(c);
  return result;
}

// Every byte for which needsEncoding(byte) holds becomes "%XX" (upper-case
// hexadecimal); every other byte is kept as it is.
template <class Predicate>
std::string PercentEncode(std::string_view text, Predicate needsEncoding) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (needsEncoding(byte)) {
      result += '%';
      result += Hex[byte >> 4];
      result += Hex[byte & 0xF];
    } else {
      result += c;
    }
  }
  return result;
}

inline std::string_view TrimControlAndSpace(std::string_view text) {
  auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace vantu
