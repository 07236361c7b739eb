// The plug-in's fatal path on the DLL's own runtime: memory that cannot be
// had, a length or index the library refuses, and a pure virtual call end
// the process with exit code 3 through FatalError, which first tells a
// debugger why. Built like the DLL (no exceptions, its runtime
// replacements). Run without arguments, it runs itself once per case as
// that process's debugger, and checks the reason it is told and the code
// the process ends with.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// Outside the unnamed namespace: there the compiler would know every class
// derived from Base and call Derived's Value straight away.
namespace fatal_path {

struct Base {
  Base();
  virtual ~Base() = default;
  virtual int Value() = 0;
};
struct Derived final : Base {
  int Value() override { return 1; }
};
// A virtual call from the base's constructor reaches the pure function; kept
// out of line, so that the compiler cannot see whose it is.
__attribute__((noipa)) int CallValue(Base* self) { return self->Value(); }
Base::Base() { CallValue(this); }

}  // namespace fatal_path

namespace {

struct Case {
  const char* name;
  const char* reason;  // what the debugger must be told, after "fatal: "
};

constexpr Case kCases[] = {
    {"new", "out of memory"},
    {"string-length", "basic_string::_M_create"},
    {"vector-index", "vector::_M_range_check: __n (which is %zu) >= this->size() (which is %zu)"},
    {"pure-virtual", "pure virtual call"},
};

// Does what the case names; returns only when the fatal path did not end the process.
int Run(const char* name) {
  volatile std::size_t huge = SIZE_MAX / 2;
  if (!std::strcmp(name, "new")) {
    // Called, not a new-expression, which the compiler may leave out.
    char* volatile block = static_cast<char*>(::operator new(huge));
    block[0] = 1;
    return block[0];
  }
  if (!std::strcmp(name, "string-length")) {
    std::string text;
    text.reserve(text.max_size() + 1);
    return static_cast<int>(text.size());
  }
  if (!std::strcmp(name, "vector-index")) {
    std::vector<int> values(2);
    return values.at(huge);
  }
  if (!std::strcmp(name, "pure-virtual")) {
    fatal_path::Derived derived;
    return derived.Value();
  }
  return 0;
}

std::string ReadString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  std::string text(info.nDebugStringLength, '\0');
  SIZE_T read = 0;
  ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read);
  text.resize(read);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// Runs this program for one case under its own debugger; the debug output
// it gave and its exit code.
bool Observe(const Case& c, std::string& output, DWORD& exitCode) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string commandLine = std::string("\"") + path + "\" " + c.name;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  for (;;) {
    DEBUG_EVENT event{};
    if (!WaitForDebugEvent(&event, 30000)) return false;
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT: output += ReadString(process.hProcess, event.u.DebugString); break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's first breakpoint is ours to pass; any other
        // exception is the program's own.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case CREATE_PROCESS_DEBUG_EVENT: CloseHandle(event.u.CreateProcessInfo.hFile); break;
      case LOAD_DLL_DEBUG_EVENT: CloseHandle(event.u.LoadDll.hFile); break;
      default: break;
    }
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
      exitCode = event.u.ExitProcess.dwExitCode;
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
      break;
    }
    ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) return Run(argv[1]);
  int failures = 0;
  for (const Case& c : kCases) {
    std::string output;
    DWORD exitCode = 0;
    if (!Observe(c, output, exitCode)) {
      std::printf("FAIL %s: could not be run under a debugger (%lu)\n", c.name, GetLastError());
      ++failures;
      continue;
    }
    const std::string expected = std::string("fatal: ") + c.reason + "\n";
    const bool ok = exitCode == 3 && output == expected;
    std::printf("%s %s: exit code %lu, told the debugger \"%s\"\n", ok ? "ok" : "FAIL", c.name, exitCode,
                output.c_str());
    if (!ok) ++failures;
  }
  std::printf("%d of %zu cases failed\n", failures, sizeof kCases / sizeof kCases[0]);
  return failures ? 1 : 0;
}
