// The options dialog as the substitute host finds and drives it: its caption
// and the identifiers of its controls.
#pragma once

namespace vantu {

// The options dialog's caption, also how the host finds the window.
inline constexpr const char* OptionsCaption = "vantu settings";

// Control identifiers of the options dialog; OK and Cancel are IDOK and
// IDCANCEL.
enum ControlId : int {
  IdOk = 1, IdCancel = 2,
  IdUsername = 101, IdPassword = 102, IdActive = 103, IdVerify = 104, IdGroupBox = 105,
  IdUsernameLabel = 111, IdWebsiteLink = 113, IdPasswordLabel = 114, IdNoAccountLabel = 116, IdSignUpLink = 117,
  IdLogo = 120, IdStatusBar = 130,
};

}  // namespace vantu
