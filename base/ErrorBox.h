// Shows an error that escapes a user-interface event (a timer tick, a click,
// a window being shown): the rest of the event is abandoned, the user sees
// the message, and the host goes on running. The box's caption and text are
// worded by plain functions (ErrorBox.cpp), tested without a window; the box
// itself is shown by ErrorBox_win.cpp.
#pragma once

#include <exception>
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
void ShowErrorBox(const std::string& message) noexcept;

// Runs one user-interface event handler; any exception it throws is shown in
// the error box instead of unwinding into the host's message loop.
template <class Handler>
void GuardUiEvent(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(error.what());
  } catch (...) {
    ShowErrorBox("Unknown error");
  }
}

}  // namespace vantu
