// The host's script language: one command per line, parsed in full before
// anything runs so that a typo fails the run at once instead of half-way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantu::host {

struct Command {
  int line = 0;
  std::string name;
  std::vector<std::string> args;  // text arguments already unescaped
};

struct ParsedScript {
  std::vector<Command> commands;
  std::string error;  // empty when the whole script parsed
};

ParsedScript ParseScript(std::string_view text);

// Script-side escapes: \r \n \t \\ \xHH; any other backslash stays as it is,
// so Windows paths need doubling only before r, n, t, x and backslash.
std::string Unescape(std::string_view text);

// Output-side escapes: CR, LF and every byte outside 0x20..0x7e as \r, \n,
// \xHH, so that every event stays on one line.
std::string Escape(std::string_view text);

}  // namespace vantu::host
