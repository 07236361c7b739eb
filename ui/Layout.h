// The options dialog's controls, in creation order (which is also the
// drawing order and, through it, the tab order), at the design text height.
#pragma once

#include "base/HostInterface_win.h"
#include "ui/DialogRules.h"

namespace vantu::ui {

inline constexpr int ClientWidth = 344;
inline constexpr int ClientHeight = 218;

// The service's web site, shown by Label3 and opened by the links.
inline constexpr const char* WebSiteName = "vantu.fm";
inline constexpr const char* HomePage = "http://www.vantu.fm/";

enum class TKind { Link, Label, Picture, DefaultButton, Button, GroupBox, Edit, Password, CheckBox, StatusBar };

struct TControlLayout {
  int Id;
  TKind Kind;
  int Parent;  // 0: the dialog itself
  TBounds Bounds;
  const char* Text;
};

inline constexpr TControlLayout OptionsLayout[] = {
    {IdWebsiteLink, TKind::Link, 0, {9, 181, 51, 13}, WebSiteName},
    {IdOk, TKind::DefaultButton, 0, {181, 172, 75, 21}, "OK"},
    {IdCancel, TKind::Button, 0, {262, 172, 75, 21}, "Cancel"},
    {IdGroupBox, TKind::GroupBox, 0, {8, 5, 328, 158}, ""},
    {IdUsernameLabel, TKind::Label, IdGroupBox, {10, 13, 51, 13}, "Username:"},
    {IdPasswordLabel, TKind::Label, IdGroupBox, {10, 58, 49, 13}, "Password:"},
    {IdNoAccountLabel, TKind::Label, IdGroupBox, {10, 137, 79, 13}, "No account yet?"},
    {IdSignUpLink, TKind::Link, IdGroupBox, {93, 137, 41, 13}, "Get one!"},
    {IdLogo, TKind::Picture, IdGroupBox, {205, 11, 121, 47}, ""},
    {IdUsername, TKind::Edit, IdGroupBox, {10, 28, 171, 21}, ""},
    {IdActive, TKind::CheckBox, IdGroupBox, {270, 135, 49, 17}, "Active"},
    {IdPassword, TKind::Password, IdGroupBox, {10, 73, 171, 21}, ""},
    {IdVerify, TKind::Button, IdGroupBox, {105, 98, 75, 21}, "Verify"},
    {IdStatusBar, TKind::StatusBar, 0, {0, 199, 344, 19}, ""},
};

}  // namespace vantu::ui
