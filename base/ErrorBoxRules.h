// How the error box words its caption and text; plain functions so they are
// tested without a window.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// The host executable's file name without its folder, cut at its first ".",
// the first character as is and every later letter in lower case.
std::string ErrorBoxCaption(std::string_view executablePath);

// The message with "." appended when its last character sorts after ".".
std::string ErrorBoxText(std::string_view message);

}  // namespace vantu
