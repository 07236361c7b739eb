#include "reporting/TitleRules.h"

#include <array>

#include "base/TextRules.h"

namespace vantu {

namespace {

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t hit; (hit = text.find(what, start)) != std::string_view::npos;
       start = hit + what.size()) {
    result.append(text.substr(start, hit - start)).append(with);
  }
  result.append(text.substr(start));
  return result;
}

}  // namespace

ArtistSong SplitTitle(std::string_view title) {
  // The service's data spells "&" as "And"; " - " holds no "&", so replacing
  // first leaves the split where it was.
  std::string text = ReplaceAll(title, "&", "And");
  static constexpr std::string_view Separator = " - ";
  std::size_t at = text.find(Separator);
  if (at == std::string::npos) return {"", text};
  return {text.substr(0, at), text.substr(at + Separator.size())};
}

std::string TitleCase(std::string_view text) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size(); ++i) {
    // Looks at the original byte before i: case mapping never makes or
    // unmakes a space or "(", so original and result agree there anyway.
    bool wordStart = i == 0 || text[i - 1] == ' ' || text[i - 1] == '(';
    result[i] = wordStart ? AsciiUpperChar(text[i]) : AsciiLowerChar(text[i]);
  }
  return result;
}

std::string_view FileExtension(std::string_view fileName) {
  // "/" is no delimiter: a web address's extension is taken from its end.
  const std::size_t nameStart = FileNameStart(fileName, "\\:");
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return {};
  return fileName.substr(dot);
}

bool IsSupportedFile(std::string_view fileName) {
  static constexpr std::array<std::string_view, 6> Supported = {".mp3", ".ogg", ".mpc",
                                                                ".aac", ".wma", ".flac"};
  std::string extension = AsciiLower(FileExtension(fileName));
  for (std::string_view candidate : Supported) {
    if (extension == candidate) return true;
  }
  return false;
}

}  // namespace vantu
