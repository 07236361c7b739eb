// Drives the plug-in's options dialog the way a person would, by window
// messages to its controls, and reports what it looks like.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vantu::host {

// The host thread's top-level window captioned like the options dialog.
HWND FindDialog();

// Whether name is one the dialog commands accept for a control.
bool IsControlName(std::string_view name);

void SetControlText(const std::string& control, const std::string& text);
void TypeText(const std::string& control, const std::string& text);
void ClickControl(const std::string& control);
void PrintControlText(const std::string& control);
void CloseDialog();
void PressAltF4();
void MoveDialog(int x, int y);
void DumpDialog();

}  // namespace vantu::host
