#include "base/ErrorBox.h"

#include "base/TextRules.h"

namespace vantu {

std::string ErrorBoxCaption(std::string_view executablePath) {
  // Either slash may end a folder in a path the system gives.
  std::string_view name = executablePath.substr(FileNameStart(executablePath, "\\/:"));
  name = name.substr(0, name.find('.'));
  std::string caption(name);
  if (caption.size() > 1) {
    caption = caption.substr(0, 1) + AsciiLower(caption.substr(1));
  }
  return caption;
}

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  // Compared as unsigned bytes, so letters, digits and bytes of 128 and above
  // all sort after ".".
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
    text += '.';
  }
  return text;
}

}  // namespace vantu
