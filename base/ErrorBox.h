// Shows the failure of a user-interface event (a timer tick, a click, a
// window being shown): the event abandons the rest of its work, the user
// sees the message, and the host goes on running. The box's caption and text are
// worded by plain functions (ErrorBox.cpp), tested without a window; the box
// itself is shown by ErrorBox_win.cpp.
#pragma once

#include <string>
#include <string_view>

namespace vantu {

// The host executable's file name without its folder, cut at its first ".",
// the first character as is and every later letter in lower case.
std::string ErrorBoxCaption(std::string_view executablePath);

// The message with "." appended when its last character sorts after ".".
std::string ErrorBoxText(std::string_view message);

// MessageBoxA with no owner, MB_OK | MB_ICONERROR, caption from the host
// executable's file name.
void ShowErrorBox(const std::string& message);

}  // namespace vantu
