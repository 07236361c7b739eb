// What the plug-in and its host agree on: the header record that the export
// returns and the queries the plug-in sends to the host's window. The
// plug-in, the substitute host (tools/host) and the baseline libraries share
// it.
#pragma once

#include <windows.h>

namespace vantu {

// The record the host gets from winampGetGeneralPurposePlugin. The host writes
// HostWindow and LibraryInstance before it calls Init, so it lives in writable
// data and its layout (seven 32-bit fields) is fixed by the host. The x86_64
// test twin keeps the order with pointer-sized fields.
struct PluginHeader {
  int Version;                 // header version, always 16
  const char* Description;
  int (*Init)();
  void (*Config)();
  void (*Quit)();
  HWND HostWindow;             // written by the host
  HINSTANCE LibraryInstance;   // written by the host, never read by us
};

static_assert(sizeof(void*) != 4 || sizeof(PluginHeader) == 28,
              "the host reads seven 32-bit fields");
static_assert(sizeof(void*) != 8 || sizeof(PluginHeader) == 56,
              "a 64-bit host reads the version padded to a pointer and six pointers");

inline constexpr int PluginHeaderVersion = 0x10;

// Host queries: SendMessageA(HostWindow, WM_USER, argument, query).
enum HostQuery : int {
  QueryPlaybackState = 104,  // argument 104; exactly 1 means playing
  QueryPlaylistIndex = 125,  // argument 0
  QueryFileName = 211,       // argument: playlist index; returns char*
  QueryTitle = 212,          // argument: playlist index; returns char*
};

}  // namespace vantu
