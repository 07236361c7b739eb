// The options dialog's controls, in creation order (which is also the
// drawing order and, through it, the tab order), at the design text height.
#pragma once

#include "ui/ControlIds.h"
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
    {IdLabel3, TKind::Link, 0, {9, 181, 51, 13}, WebSiteName},
    {IdButton1, TKind::DefaultButton, 0, {181, 172, 75, 21}, "OK"},
    {IdButton2, TKind::Button, 0, {262, 172, 75, 21}, "Cancel"},
    {IdGroupBox1, TKind::GroupBox, 0, {8, 5, 328, 158}, ""},
    {IdLabel1, TKind::Label, IdGroupBox1, {10, 13, 51, 13}, "Username:"},
    {IdLabel4, TKind::Label, IdGroupBox1, {10, 58, 49, 13}, "Password:"},
    {IdLabel6, TKind::Label, IdGroupBox1, {10, 137, 79, 13}, "No account yet?"},
    {IdLabel7, TKind::Link, IdGroupBox1, {93, 137, 41, 13}, "Get one!"},
    {IdImage1, TKind::Picture, IdGroupBox1, {205, 11, 121, 47}, ""},
    {IdE_Username, TKind::Edit, IdGroupBox1, {10, 28, 171, 21}, ""},
    {IdC_Active, TKind::CheckBox, IdGroupBox1, {270, 135, 49, 17}, "Active"},
    {IdE_Password, TKind::Password, IdGroupBox1, {10, 73, 171, 21}, ""},
    {IdButton3, TKind::Button, IdGroupBox1, {105, 98, 75, 21}, "Verify"},
    {IdStatusBar, TKind::StatusBar, 0, {0, 199, 344, 19}, ""},
};

// The settings file keeps at most this many characters of a text.
inline constexpr int MaxTextLength = 2047;

}  // namespace vantu::ui
