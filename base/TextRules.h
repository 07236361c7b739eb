// Byte-oriented text helpers, one copy each for every layer: case mapping
// touches only the ASCII letters, a blank is any byte from 0 to 32.
#pragma once

#include <cstdint>
#include <optional>
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

// Equal but for the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i])) return false;
  }
  return true;
}

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// A blank or DEL: a byte that must never reach a request line as it is.
inline bool IsControlOrSpace(unsigned char byte) { return byte <= 32 || byte == 127; }

// Blanks removed from both ends.
inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where the file name in path starts: just after the last of separators,
// 0 when there is none. The callers name their separators, since they
// differ on purpose: "/" is a folder's end in some paths and part of a web
// address in others.
inline std::size_t FileNameStart(std::string_view path, std::string_view separators) {
  const std::size_t last = path.find_last_of(separators);
  return last == std::string_view::npos ? 0 : last + 1;
}

// The value of a hexadecimal digit of either case; -1 for any other byte.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A number read by ParseDigits.
struct ParsedDigits {
  std::uint64_t value = 0;  // never above the limit
  bool saturated = false;   // the digits said more than the limit, and value is the limit
};

// text as digits of base (2 to 16, letters of either case): at least one
// digit and nothing else, no sign, no blanks; nothing otherwise. A value
// above limit saturates: it reads as limit, with saturated set, and the
// remaining digits are still checked.
inline std::optional<ParsedDigits> ParseDigits(std::string_view text, unsigned base, std::uint64_t limit) {
  if (text.empty()) return std::nullopt;
  ParsedDigits result;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
    if (result.saturated) continue;
    const auto next = static_cast<std::uint64_t>(digit);
    if (next > limit || result.value > (limit - next) / base) {
      result.value = limit;
      result.saturated = true;
    } else {
      result.value = result.value * base + next;
    }
  }
  return result;
}

// The upper-case digit for a value from 0 to 15.
inline char HexDigit(unsigned value) { return "0123456789ABCDEF"[value & 0xF]; }

// Every byte for which needsEncoding(byte) holds becomes "%XX" (upper-case
// hexadecimal); every other byte is kept as it is.
template <class Predicate>
std::string PercentEncode(std::string_view text, Predicate needsEncoding) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (needsEncoding(byte)) {
      result += '%';
      result += HexDigit(byte >> 4);
      result += HexDigit(byte);
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace vantu
