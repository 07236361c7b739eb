// What the plug-in and its host agree on, in one header that the plug-in,
// the substitute host (tools/host) and the baseline libraries share: the
// header record and the host queries; and what the substitute host's tests
// use of the plug-in: the dialog's caption and control identifiers, the
// longest text, the report hold of test builds.
#pragma once

#include <windows.h>

#include <string>

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

// The longest text the plug-in keeps: a value read from the settings file,
// and so what the dialog's boxes take.
inline constexpr int MaxTextLength = 2047;

namespace ui {

// The options dialog's caption, also how the host finds the window.
inline constexpr const char* OptionsCaption = "vantu settings";

// Control identifiers of the options dialog; OK and Cancel are IDOK and
// IDCANCEL.
enum ControlId : int {
  IdOk = 1, IdCancel = 2,
  IdUsername = 101, IdPassword = 102, IdActive = 103, IdVerify = 104, IdGroupBox = 105,
  IdUsernameLabel = 111, IdWebsiteLink = 113, IdPasswordLabel = 114, IdNoAccountLabel = 116, IdSignUpLink = 117,
  IdLogo = 120, IdStatusBar = 130,
};

}  // namespace ui

// Test builds only (VANTU_TEST_HOOKS): the substitute host can hold every
// report worker just before it connects, the place where a real worker can
// hang in name resolution that no cancel reaches. While the host owns a
// manual-reset event of this name, a starting worker waits until it is set.
inline std::string ReportHoldEventName(unsigned long processId) {
  return "vantu-hold-reports-" + std::to_string(processId);
}

}  // namespace vantu
