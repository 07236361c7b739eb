// Control identifiers of the options dialog. Shared with the substitute host,
// which drives the dialog by these identifiers in its tests.
#pragma once

namespace vantu::ui {

enum ControlId : int {
  IdButton1 = 1,      // OK (IDOK)
  IdButton2 = 2,      // Cancel (IDCANCEL)
  IdButton3 = 104,    // Verify
  IdE_Username = 101,
  IdE_Password = 102,
  IdC_Active = 103,
  IdGroupBox1 = 105,
  IdLabel1 = 111,
  IdLabel3 = 113,
  IdLabel4 = 114,
  IdLabel6 = 116,
  IdLabel7 = 117,
  IdImage1 = 120,
  IdStatusBar = 130,
};

// The dialog's caption, also how the host finds the window.
inline constexpr const char* OptionsCaption = "vantu settings";

}  // namespace vantu::ui
