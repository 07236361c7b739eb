// Every event the host reports is one line on standard output, written and
// flushed at once so that a test driver sees it while the host runs on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantu::host {

void Print(std::string_view line);

// Microseconds on the performance counter, for the benchmark's timings.
long long Microseconds();

std::string Hex(std::uintptr_t value);

template <class T>
std::string Hex(T* pointer) {
  return Hex(reinterpret_cast<std::uintptr_t>(pointer));
}

// Window text read by messages, so that it also works for controls whose
// text is not their window caption (status bar parts use their own message).
std::string WindowText(HWND window);
std::string ClassName(HWND window);

// Every descendant of a window, and the top-level windows of this thread.
std::vector<HWND> ChildWindows(HWND parent);
std::vector<HWND> ThreadWindows();

}  // namespace vantu::host
