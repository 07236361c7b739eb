#include "WallClock.h"

#include <atomic>
#include <cstring>

namespace vantu::host {
namespace {

std::atomic<long long> shiftHundredNs{0};  // what the stand-ins add, in FILETIME units

using FileTimeReader = void(WINAPI*)(FILETIME*);

FileTimeReader KernelReader(const char* name) {
  return reinterpret_cast<FileTimeReader>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name)));
}

void AddShift(FILETIME* time) {
  ULARGE_INTEGER value;
  value.LowPart = time->dwLowDateTime;
  value.HighPart = time->dwHighDateTime;
  value.QuadPart += static_cast<ULONGLONG>(shiftHundredNs.load());
  time->dwLowDateTime = value.LowPart;
  time->dwHighDateTime = value.HighPart;
}

void WINAPI ShiftedSystemTimeAsFileTime(FILETIME* time) {
  static const FileTimeReader real = KernelReader("GetSystemTimeAsFileTime");
  real(time);
  AddShift(time);
}

void WINAPI ShiftedSystemTimePreciseAsFileTime(FILETIME* time) {
  static const FileTimeReader real = KernelReader("GetSystemTimePreciseAsFileTime");
  real(time);
  AddShift(time);
}

// The C runtime's time(), for a module that reads it rather than the kernel.
template <class Seconds>
Seconds ShiftedTime(const char* name, Seconds* out) {
  using Reader = Seconds(__cdecl*)(Seconds*);
  const auto real =
      reinterpret_cast<Reader>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), name)));
  const Seconds now = static_cast<Seconds>(real(nullptr) + shiftHundredNs.load() / 10000000);
  if (out) *out = now;
  return now;
}

__int64 __cdecl ShiftedTime64(__int64* out) { return ShiftedTime("_time64", out); }
long __cdecl ShiftedTime32(long* out) { return ShiftedTime("_time32", out); }

void* StandInFor(const char* name);

// A module may look its clock up rather than import it (the C runtime finds
// GetSystemTimePreciseAsFileTime so, where the system has it).
FARPROC WINAPI StandInProcAddress(HMODULE module, LPCSTR name) {
  // An ordinal is no name, and no clock of ours.
  if (reinterpret_cast<UINT_PTR>(name) > 0xffff && std::strcmp(name, "GetProcAddress") != 0) {
    if (void* standIn = StandInFor(name)) return reinterpret_cast<FARPROC>(standIn);
  }
  return GetProcAddress(module, name);
}

void* StandInFor(const char* name) {
  if (std::strcmp(name, "GetProcAddress") == 0) return reinterpret_cast<void*>(&StandInProcAddress);
  if (std::strcmp(name, "_time64") == 0) return reinterpret_cast<void*>(&ShiftedTime64);
  if (std::strcmp(name, "_time32") == 0) return reinterpret_cast<void*>(&ShiftedTime32);
  if (std::strcmp(name, "GetSystemTimeAsFileTime") == 0) {
    return reinterpret_cast<void*>(&ShiftedSystemTimeAsFileTime);
  }
  if (std::strcmp(name, "GetSystemTimePreciseAsFileTime") == 0) {
    return reinterpret_cast<void*>(&ShiftedSystemTimePreciseAsFileTime);
  }
  return nullptr;
}

// Rewrites the import address table entries of module that name a function
// with a stand-in.
int PointImportsAtStandIns(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress) return 0;
  int patched = 0;
  for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       library->Name; ++library) {
    if (!library->OriginalFirstThunk) continue;  // no names to go by
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void* standIn = StandInFor(reinterpret_cast<const char*>(byName->Name));
      if (!standIn) continue;
      DWORD protection;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(standIn);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      ++patched;
    }
  }
  return patched;
}

}  // namespace

int WallClockShift::Apply(HMODULE module, long long offsetMs, unsigned afterMs) {
  later_.Wait();  // a shift still to come must not undo this one
  const int patched = PointImportsAtStandIns(module);
  const long long hundredNs = offsetMs * 10000;
  if (afterMs == 0) {
    shiftHundredNs = hundredNs;
  } else {
    later_.Run(afterMs, [hundredNs] { shiftHundredNs = hundredNs; });
  }
  return patched;
}

}  // namespace vantu::host
