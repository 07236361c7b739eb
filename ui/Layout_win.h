// The options dialog's controls, in creation order (which is also the
// drawing order and, through it, the tab order), at the design text height.
#pragma once

#include "contract/OptionsDialogControls.h"
#include "ui/DialogGeometry.h"

namespace vantu {

inline constexpr int ClientWidth = 344;
inline constexpr int ClientHeight = 218;

// The service's web site, shown by the web-site link and opened by the links.
inline constexpr const char* WebSiteName = "vantu.fm";
inline constexpr const char* HomePage = "http://www.vantu.fm/";

enum class ControlKind { Link, Label, Picture, DefaultButton, Button, GroupBox, Edit, Password, CheckBox, StatusBar };

struct ControlLayout {
  int Id;
  ControlKind Kind;
  int Parent;  // 0: the dialog itself
  Bounds Bounds;
  const char* Text;
};

inline constexpr ControlLayout OptionsLayout[] = {
    {IdWebsiteLink, ControlKind::Link, 0, {9, 181, 51, 13}, WebSiteName},
    {IdOk, ControlKind::DefaultButton, 0, {181, 172, 75, 21}, "OK"},
    {IdCancel, ControlKind::Button, 0, {262, 172, 75, 21}, "Cancel"},
    {IdGroupBox, ControlKind::GroupBox, 0, {8, 5, 328, 158}, ""},
    {IdUsernameLabel, ControlKind::Label, IdGroupBox, {10, 13, 51, 13}, "Username:"},
    {IdPasswordLabel, ControlKind::Label, IdGroupBox, {10, 58, 49, 13}, "Password:"},
    {IdNoAccountLabel, ControlKind::Label, IdGroupBox, {10, 137, 79, 13}, "No account yet?"},
    {IdSignUpLink, ControlKind::Link, IdGroupBox, {93, 137, 41, 13}, "Get one!"},
    {IdLogo, ControlKind::Picture, IdGroupBox, {205, 11, 121, 47}, ""},
    {IdUsername, ControlKind::Edit, IdGroupBox, {10, 28, 171, 21}, ""},
    {IdActive, ControlKind::CheckBox, IdGroupBox, {270, 135, 49, 17}, "Active"},
    {IdPassword, ControlKind::Password, IdGroupBox, {10, 73, 171, 21}, ""},
    {IdVerify, ControlKind::Button, IdGroupBox, {105, 98, 75, 21}, "Verify"},
    {IdStatusBar, ControlKind::StatusBar, 0, {0, 199, 344, 19}, ""},
};

}  // namespace vantu
