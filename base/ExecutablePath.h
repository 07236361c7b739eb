// The full path of the process's executable file (not of this library).
#pragma once

#include <string>

namespace vantu {

std::string ExecutablePath();

}  // namespace vantu
