#include "reporting/HostQuery_win.h"

namespace vantu {

LRESULT SendHostMessage(HWND window, int query, WPARAM argument) {
  return SendMessageA(window, WM_USER, argument, static_cast<LPARAM>(query));
}

std::string HostString(HWND window, int query, WPARAM argument) {
  const char* text = reinterpret_cast<const char*>(SendHostMessage(window, query, argument));
  return text ? std::string(text) : std::string();
}

}  // namespace vantu
