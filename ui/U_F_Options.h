// The options dialog: a modeless, top-most window that edits the settings,
// checks the account with the service and shows the service's refusals.
#pragma once

#include <windows.h>

#include <memory>

namespace vantu {

class TSettings;

class TF_Options {
 public:
  // settings is the lifecycle's owning pointer: null before init and after
  // quit, and then the dialog leaves the settings alone.
  TF_Options(HINSTANCE module, const std::unique_ptr<TSettings>& settings);
  ~TF_Options();
  TF_Options(const TF_Options&) = delete;
  TF_Options& operator=(const TF_Options&) = delete;

  // Shows the dialog (refilling it when it was hidden) or brings it to the front.
  void Show();

 private:
  HINSTANCE module_;
  const std::unique_ptr<TSettings>& settings_;
};

}  // namespace vantu
