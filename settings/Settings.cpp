#include "settings/Settings.h"

#include <cstdint>

#include "base/TextRules.h"

namespace vantu {

std::optional<long long> ParseProfileInteger(std::string_view text) {
  std::string rewritten;
  if (text.size() > 2 && (StartsWith(text, "0x") || StartsWith(text, "0X"))) {
    rewritten = "$";  // appended: see ProfileValueToWrite
    rewritten += text.substr(2);
    text = rewritten;
  }
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  unsigned base = 10;
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (StartsWith(text, prefix)) {
      base = 16;
      text.remove_prefix(prefix.size());
      break;
    }
  }

  // Hexadecimal texts cover the whole unsigned 32-bit range, decimal ones
  // the signed range.
  const uint64_t limit = base == 16 ? UINT32_MAX : (negative ? 2147483648ULL : INT32_MAX);
  const std::optional<ParsedDigits> magnitude = ParseDigits(text, base, limit);
  if (!magnitude || magnitude->saturated) return std::nullopt;
  long long value = static_cast<long long>(magnitude->value);
  if (base == 16 && magnitude->value > INT32_MAX) value -= 4294967296LL;  // read as a 32-bit pattern
  return negative ? -value : value;
}

bool ParseActive(std::string_view text) {
  const std::optional<long long> value = ParseProfileInteger(text);
  return value ? *value != 0 : true;
}

std::string ProfileValueToWrite(std::string_view value) {
  // A line break would end the value and start lines of its own in the file
  // (an "Active=0", say); a single-line box shows no more than this anyway.
  value = value.substr(0, value.find_first_of("\r\n"));
  auto isQuote = [](char c) { return c == '"' || c == '\''; };
  // Blanks as the profile reader sees them: spaces, tabs, line ends, and the
  // other control bytes some implementations also strip.
  const bool blankAtEnds = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
  const bool quotedAlready = value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
  // A lone quote at one end is harmless on its own, but it must not pair up
  // with the quote we add; wrapping is safe for any value, so wrap then too.
  const bool quoteAtAnEnd = !value.empty() && (isQuote(value.front()) || isQuote(value.back()));
  if (!blankAtEnds && !quotedAlready && !quoteAtAnEnd) return std::string(value);
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) about the
  // insert at the front that "\"" + std::string(value) inlines.
  std::string quoted;
  quoted.reserve(value.size() + 2);
  quoted += '"';
  quoted += value;
  quoted += '"';
  return quoted;
}

std::string SettingsPathFor(std::string_view executablePath) {
  // The executable's folder with its trailing backslash, as the settings
  // path has always been made.
  const std::string_view folder = executablePath.substr(0, FileNameStart(executablePath, "\\:"));
  return std::string(folder) + "Plugins\\gen_vantu.ini";
}

}  // namespace vantu
