// The two ways the plug-in asks the host something: WM_USER with the query
// number in lParam and its argument in wParam.
#pragma once

#include <windows.h>

#include <string>

namespace vantu {

LRESULT SendHostMessage(HWND window, int query, WPARAM argument);

// The host owns the text behind the returned address only until its next
// change, so it is copied at once; a null address gives the empty text.
std::string HostString(HWND window, int query, WPARAM argument);

}  // namespace vantu
