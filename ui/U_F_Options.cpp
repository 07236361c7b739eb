#include "ui/U_F_Options.h"

namespace vantu {

TF_Options::TF_Options(HINSTANCE module, const std::unique_ptr<TSettings>& settings)
    : module_(module), settings_(settings) {}

TF_Options::~TF_Options() = default;

void TF_Options::Show() {}

}  // namespace vantu
