// vantu_host.exe <script>: a substitute for the media player that loads the
// plug-in from Plugins\ beside the executable and runs a script of host
// actions, printing one line per event.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "Dialog.h"
#include "HostWindow.h"
#include "Later.h"
#include "Output.h"
#include "Script.h"
#include "WallClock.h"
#include "Watchers.h"
#include "base/ExecutablePath.h"
#include "base/Handles_win.h"
#include "base/TextRules.h"
#include "contract/HostInterface_win.h"
#include "contract/TestHooks_win.h"

namespace vantu::host {
namespace {

// Distinct from any script's exit code, and non-zero modulo 256 as the
// Unix side of Wine sees it.
constexpr UINT CrashExitCode = 113;

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  Print("crash code=" + Hex(info->ExceptionRecord->ExceptionCode) +
        " address=" + Hex(info->ExceptionRecord->ExceptionAddress) + " thread=" +
        std::to_string(GetCurrentThreadId()));
  TerminateProcess(GetCurrentProcess(), CrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::string ExecutableDirectory() {
  const std::string path = ExecutablePath();
  // The system gives the executable's path with backslashes only.
  return path.substr(0, FileNameStart(path, "\\"));
}

// A relative path is taken from the executable's folder.
std::string FromExecutableFolder(const std::string& path) {
  if (path.find(':') != std::string::npos || path.front() == '\\') return path;
  return ExecutableDirectory() + path;
}

// Loads a library for good before the plug-in, as a player has MinGW's
// shared runtime loaded when another of its modules was built with it.
void Preload(const std::string& path) {
  const std::string file = FromExecutableFolder(path);
  const HMODULE module = LoadLibraryA(file.c_str());
  if (!module) {
    Print("error preload: " + Escape(file) + " error=" + std::to_string(GetLastError()));
    return;
  }
  Print("preload " + Escape(path) + " module=" + Hex(module));
}

class PluginLibrary {
 public:
  void Load(const std::string& path) {
    const std::string file = FromExecutableFolder(path.empty() ? "Plugins\\gen_vantu.dll" : path);
    file_ = file;
    module_ = LoadLibraryA(file.c_str());
    if (!module_) {
      Print("error load: " + Escape(file) + " error=" + std::to_string(GetLastError()));
      return;
    }
    using GetHeader = PluginHeader* (*)();
    auto entry = reinterpret_cast<GetHeader>(
        reinterpret_cast<void*>(GetProcAddress(module_, "winampGetGeneralPurposePlugin")));
    if (!entry) {
      Print("error load: no winampGetGeneralPurposePlugin");
      return;
    }
    header_ = entry();
    PluginHeader* again = entry();
    if (!header_) {
      Print("error load: winampGetGeneralPurposePlugin returned null");
      return;
    }
    Print("header version=" + std::to_string(header_->Version) +
          " description=" + Escape(header_->Description ? header_->Description : "") +
          " window=" + Hex(header_->HostWindow) + " instance=" + Hex(header_->LibraryInstance) +
          " same=" + (again == header_ ? "1" : "0"));
  }

  void SetHandles(HWND host) {
    if (!Ready("sethandles")) return;
    header_->HostWindow = host;
    header_->LibraryInstance = module_;
    Print("handles written");
  }

  void Init() {
    if (!Ready("init")) return;
    Print("call init");
    int result = header_->Init();
    Print("init -> " + std::to_string(result));
  }

  void Config() {
    if (!Ready("config")) return;
    Print("call config");
    header_->Config();
    Print("config");
  }

  void Quit() {
    if (!Ready("quit")) return;
    Print("call quit");
    header_->Quit();
    Print("quit");
  }

  // The library is freed only on request: at the script's end the process
  // exit releases it, as it would in the player.
  void Unload() {
    if (!module_) {
      Print("error unload: not loaded");
      return;
    }
    BOOL freed = FreeLibrary(module_);
    module_ = nullptr;
    header_ = nullptr;
    Print("unload -> " + std::to_string(freed));
  }

  // Moves the plug-in's wall clock by offsetMs, afterMs from now.
  void ShiftWallClock(WallClockShift& shift, int offsetMs, int afterMs) {
    if (!Ready("wallclock")) return;
    const int patched = shift.Apply(module_, offsetMs, static_cast<unsigned>(afterMs > 0 ? afterMs : 0));
    Print("wallclock imports=" + std::to_string(patched));
  }

  // Whether the library last loaded is still mapped, whoever holds it: the
  // host's own reference may be gone while a thread of the plug-in keeps it.
  void PrintMapped() const {
    if (file_.empty()) {
      Print("error mapped: nothing loaded yet");
      return;
    }
    Print(std::string("mapped ") + (GetModuleHandleA(file_.c_str()) ? "1" : "0"));
  }

 private:
  bool Ready(const char* command) {
    if (header_) return true;
    Print(std::string("error ") + command + ": not loaded");
    return false;
  }

  std::string file_;
  HMODULE module_ = nullptr;
  PluginHeader* header_ = nullptr;
};

// While on, holds what a test build of the plug-in waits for on the event
// of the given name (its report workers before they connect, its name
// lookups); off lets them go, and so does the time given with on.
class PluginHold {
 public:
  // What is still held when the hold goes stays held (the process exit
  // ends it), unless a release is still to come, which it waits for.
  PluginHold(std::string eventName, const char* command) : eventName_(std::move(eventName)), command_(command) {}

  void Set(bool on, unsigned releaseAfterMs = 0) {
    if (on && !event_) {
      event_ = KernelHandle(CreateEventA(nullptr, TRUE, FALSE, eventName_.c_str()));
      if (!event_) PrintError();
      if (event_ && releaseAfterMs) ReleaseAfter(releaseAfterMs);
    } else if (!on && event_) {
      SetEvent(event_.Get());
      event_.Reset();
    }
  }

 private:
  void PrintError() const { Print(std::string("error ") + command_ + ": " + std::to_string(GetLastError())); }

  // The release keeps a handle of its own: off may close event_ before it.
  void ReleaseAfter(unsigned ms) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), event_.Get(), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      PrintError();
      return;
    }
    auto release = std::make_shared<KernelHandle>(copy);
    if (!later_.Run(ms, [release] { SetEvent(release->Get()); })) PrintError();
  }

  std::string eventName_;
  const char* command_;
  KernelHandle event_;
  Later later_;  // after event_: a release still to come is waited for first
};

unsigned CountThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  unsigned count = 0;
  THREADENTRY32 thread{};
  thread.dwSize = sizeof thread;
  for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
    if (thread.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

// Wine answers GetProcessHandleCount with 0; its handle values are table
// slots handed out from the bottom, so probing them finds every open handle.
std::vector<HANDLE> OpenHandles() {
  std::vector<HANDLE> handles;
  constexpr unsigned GiveUpAfter = 4096;  // unused slots in a row
  unsigned unused = 0;
  for (std::uintptr_t value = 4; unused < GiveUpAfter; value += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
      handles.push_back(reinterpret_cast<HANDLE>(value));
      unused = 0;
    } else {
      ++unused;
    }
  }
  return handles;
}

DWORD CountHandles() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return count;
  return static_cast<DWORD>(OpenHandles().size());
}

std::string HandleType(HANDLE handle) {
  alignas(8) char buffer[1024] = {};
  ULONG length = 0;
  if (NtQueryObject(handle, ObjectTypeInformation, buffer, sizeof buffer, &length) != 0) return "?";
  const auto* type = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer);
  std::string name;
  for (USHORT i = 0; i < type->TypeName.Length / sizeof(WCHAR); ++i)
    name += static_cast<char>(type->TypeName.Buffer[i]);
  return name;
}

// Which kinds of handle are open: tells a leaked semaphore from a leaked file.
void PrintHandleTypes() {
  std::map<std::string, unsigned> counts;
  for (HANDLE handle : OpenHandles()) ++counts[HandleType(handle)];
  std::string line = "handletypes";
  for (const auto& [type, count] : counts) line += " " + type + "=" + std::to_string(count);
  Print(line);
}

// Wine leaves PrivateUsage at 0; the committed private pages are the same figure.
SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& memory) {
  if (memory.PrivateUsage) return memory.PrivateUsage;
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (auto* address = static_cast<char*>(nullptr);
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (static_cast<char*>(region.BaseAddress) + region.RegionSize < address) break;  // wrapped
  }
  return total;
}

// All windows of the process's threads: Wine has no GUI resource counts, so
// windows left behind show up here instead.
unsigned CountWindows() {
  unsigned count = 0;
  for (HWND window : ThreadWindows()) count += 1 + static_cast<unsigned>(ChildWindows(window).size());
  return count;
}

// The lowest free thread-local storage index: it rises while a library
// that has been unloaded keeps one allocated.
DWORD LowestFreeTlsIndex() {
  const DWORD index = TlsAlloc();
  if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
  return index;
}

void PrintStats() {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  Print("stats handles=" + std::to_string(CountHandles()) + " private=" + std::to_string(PrivateBytes(memory)) +
        " working=" + std::to_string(memory.WorkingSetSize) +
        " gdi=" + std::to_string(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) +
        " user=" + std::to_string(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) +
        " threads=" + std::to_string(CountThreads()) + " windows=" + std::to_string(CountWindows()) +
        " tls=" + std::to_string(LowestFreeTlsIndex()));
}

bool ReadFileBytes(const char* path, std::string& text) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return true;
}

int ToInteger(const std::string& text) { return std::atoi(text.c_str()); }

// Runs the commands in order; returns the exit code.
int Run(const std::vector<Command>& commands, HostWindow& host) {
  PluginLibrary plugin;
  PluginHold reportHold(ReportHoldEventName(GetCurrentProcessId()), "holdreports");
  PluginHold lookupHold(LookupHoldEventName(GetCurrentProcessId()), "holdlookups");
  WallClockShift wallClock;
  bool timing = false;
  for (const Command& command : commands) {
    const std::string& name = command.name;
    const auto& args = command.args;
    if (name == "timing") timing = args[0] == "on";
    const bool timed = timing && (name == "load" || name == "init" || name == "config" || name == "quit" ||
                                  name == "unload");
    const long long start = timed ? Microseconds() : 0;
    if (name == "load") plugin.Load(args[0]);
    else if (name == "preload") Preload(args[0]);
    else if (name == "sethandles") plugin.SetHandles(host.Handle());
    else if (name == "init") plugin.Init();
    else if (name == "config") plugin.Config();
    else if (name == "quit") plugin.Quit();
    else if (name == "unload") plugin.Unload();
    else if (name == "mapped") plugin.PrintMapped();
    else if (name == "holdreports") reportHold.Set(args[0] == "on");
    else if (name == "holdlookups") lookupHold.Set(args[0] == "on", static_cast<unsigned>(ToInteger(args[1])));
    else if (name == "wallclock") plugin.ShiftWallClock(wallClock, ToInteger(args[0]), ToInteger(args[1]));
    else if (name == "play") host.Play(args[0], args[1]);
    else if (name == "entry") host.SetEntry(args[0], args[1]);
    else if (name == "state") host.SetState(ToInteger(args[0]));
    else if (name == "nulltext") host.SetNullText(args[0] == "on");
    else if (name == "quiet") host.SetQuiet(args[0] == "on");
    else if (name == "wait") host.Wait(static_cast<unsigned>(ToInteger(args[0])));
    else if (name == "mark") Print("mark " + Escape(args[0]));
    else if (name == "stats") PrintStats();
    else if (name == "handletypes") PrintHandleTypes();
    else if (name == "exit") return ToInteger(args[0]);
    else if (name == "settext") SetControlText(args[0], args[1]);
    else if (name == "type") TypeText(args[0], args[1]);
    else if (name == "click") ClickControl(args[0]);
    else if (name == "gettext") PrintControlText(args[0]);
    else if (name == "close") CloseDialog();
    else if (name == "altf4") PressAltF4();
    else if (name == "move") MoveDialog(ToInteger(args[0]), ToInteger(args[1]));
    else if (name == "dump") DumpDialog();
    else if (name == "crash") RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    else if (name == "timing") host.SetTiming(args[0] == "on");
    else if (name == "roundtrips") host.RoundTrips(ToInteger(args[0]));
    if (timed) Print("timing " + name + " us=" + std::to_string(Microseconds() - start));
    // Windows that a command showed or hid are reported right after it.
    host.PollWindows();
  }
  return 0;
}

}  // namespace
}  // namespace vantu::host

int main(int argc, char** argv) {
  using namespace vantu::host;
  SetUnhandledExceptionFilter(OnCrash);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  std::string text;
  if (argc != 2 || !ReadFileBytes(argv[1], text)) {
    Print("error usage: vantu_host.exe <script file>");
    return 2;
  }
  ParsedScript script = ParseScript(text);
  if (!script.error.empty()) {
    Print("error script " + script.error);
    return 2;
  }
  MessageBoxReporter messageBoxes;
  HostWindow host(GetModuleHandleA(nullptr));
  host.PollWindows();
  return Run(script.commands, host);
}
