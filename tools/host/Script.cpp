#include "Script.h"

#include <algorithm>
#include <charconv>

#include "Dialog.h"
#include "base/TextRules.h"

namespace vantu::host {
namespace {

enum class Arg { Text, Integer, Switch, Control, Entry };

struct Syntax {
  const char* name;
  std::vector<Arg> args;
  size_t required;  // leading arguments that must be present
};

// The last argument of a command takes the rest of the line.
const std::vector<Syntax>& Commands() {
  static const std::vector<Syntax> table = {
      {"load", {Arg::Text}, 0},
      {"preload", {Arg::Text}, 1},
      {"sethandles", {}, 0},
      {"init", {}, 0},
      {"config", {}, 0},
      {"quit", {}, 0},
      {"unload", {}, 0},
      {"mapped", {}, 0},
      {"holdreports", {Arg::Switch}, 1},
      {"holdlookups", {Arg::Switch, Arg::Integer}, 1},
      {"wallclock", {Arg::Integer, Arg::Integer}, 1},
      {"play", {Arg::Entry}, 1},
      {"entry", {Arg::Entry}, 1},
      {"state", {Arg::Integer}, 1},
      {"nulltext", {Arg::Switch}, 1},
      {"quiet", {Arg::Switch}, 1},
      {"wait", {Arg::Integer}, 1},
      {"mark", {Arg::Text}, 0},
      {"stats", {}, 0},
      {"handletypes", {}, 0},
      {"exit", {Arg::Integer}, 1},
      {"settext", {Arg::Control, Arg::Text}, 1},
      {"type", {Arg::Control, Arg::Text}, 1},
      {"click", {Arg::Control}, 1},
      {"gettext", {Arg::Control}, 1},
      {"close", {}, 0},
      {"altf4", {}, 0},
      {"move", {Arg::Integer, Arg::Integer}, 2},
      {"dump", {}, 0},
      {"crash", {}, 0},
      {"timing", {Arg::Switch}, 1},
      {"roundtrips", {Arg::Integer}, 1},
  };
  return table;
}

bool IsInteger(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Splits off at most `count` arguments; the last one keeps the rest of the line.
std::vector<std::string_view> SplitArgs(std::string_view rest, size_t count) {
  std::vector<std::string_view> parts;
  if (count == 0 || rest.empty()) return parts;
  while (parts.size() + 1 < count) {
    size_t space = rest.find(' ');
    if (space == std::string_view::npos) break;
    parts.push_back(rest.substr(0, space));
    rest.remove_prefix(space + 1);
  }
  parts.push_back(rest);
  return parts;
}

std::string CheckArg(Arg kind, std::string_view raw, Command& command) {
  switch (kind) {
    case Arg::Text:
      command.args.push_back(Unescape(raw));
      return {};
    case Arg::Integer:
      if (!IsInteger(raw)) return "not an integer: " + std::string(raw);
      command.args.emplace_back(raw);
      return {};
    case Arg::Switch:
      if (raw != "on" && raw != "off") return "expected on or off: " + std::string(raw);
      command.args.emplace_back(raw);
      return {};
    case Arg::Control: {
      if (!IsControlName(raw)) return "unknown control: " + std::string(raw);
      command.args.emplace_back(raw);
      return {};
    }
    case Arg::Entry: {
      // Split before unescaping so that \x7c can put a "|" into the file name.
      size_t bar = raw.find('|');
      if (bar == std::string_view::npos) return "expected <file>|<title>";
      command.args.push_back(Unescape(raw.substr(0, bar)));
      command.args.push_back(Unescape(raw.substr(bar + 1)));
      return {};
    }
  }
  return "bad argument";
}

// Fills `command` from one script line; returns what is wrong with it.
std::string ParseLine(std::string_view line, Command& command) {
  size_t space = line.find(' ');
  std::string_view name = line.substr(0, space);
  std::string_view rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  const auto& table = Commands();
  auto syntax = std::find_if(table.begin(), table.end(), [&](const Syntax& s) { return name == s.name; });
  if (syntax == table.end()) return "unknown command " + std::string(name);
  command.name = name;
  if (syntax->args.empty() && !rest.empty()) return command.name + " takes no arguments";
  auto parts = SplitArgs(rest, syntax->args.size());
  if (parts.size() < syntax->required) return command.name + " needs more arguments";
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string problem = CheckArg(syntax->args[i], parts[i], command);
    if (!problem.empty()) return problem;
  }
  // A text left out at the end is the empty text ("settext username" clears the box).
  for (size_t i = parts.size(); i < syntax->args.size(); ++i) command.args.emplace_back();
  return {};
}

}  // namespace

std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    char next = text[i + 1];
    if (next == 'r' || next == 'n' || next == 't' || next == '\\') {
      out += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
      ++i;
    } else if (next == 'x' && i + 3 < text.size() && HexDigitValue(text[i + 2]) >= 0 &&
               HexDigitValue(text[i + 3]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 2]) * 16 + HexDigitValue(text[i + 3]));
      i += 3;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (byte < 0x20 || byte > 0x7e) {
      constexpr char LowerHexDigits[] = "0123456789abcdef";
      out += "\\x";
      out += LowerHexDigits[byte >> 4];
      out += LowerHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

ParsedScript ParseScript(std::string_view text) {
  ParsedScript result;
  int lineNumber = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;

    Command command{lineNumber, {}, {}};
    std::string problem = ParseLine(line, command);
    if (!problem.empty()) {
      result.error = "line " + std::to_string(lineNumber) + ": " + problem;
      return result;
    }
    result.commands.push_back(std::move(command));
  }
  return result;
}

}  // namespace vantu::host
