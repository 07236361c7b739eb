// The options dialog's geometry and activation rules: plain functions, kept
// apart from the window calls that apply them (the dialog itself is
// OptionsDialog_win.h).
#pragma once

#include <vector>

namespace vantu {

// The layout is designed for a dialog font whose text "0" is 13 pixels high.
inline constexpr int DesignTextHeight = 13;

struct Bounds {
  int Left, Top, Width, Height;
  bool operator==(const Bounds&) const = default;
};

// value * textHeight / 13, rounded to nearest (halves away from zero), as
// MulDiv does.
int ScaleLength(int value, int textHeight);

// Scales the left and top edges and the right and bottom edges; width and
// height are derived from the scaled edges so that adjoining controls stay
// adjoining.
Bounds ScaleBounds(const Bounds& design, int textHeight);

struct Origin {
  int X, Y;
  bool operator==(const Origin&) const = default;
};

// Top-left corner that centres a window of the given outer size on the
// screen, never left of or above the screen's origin.
Origin CentredOrigin(int outerWidth, int outerHeight, int screenWidth, int screenHeight);

struct ActivationCandidate {
  bool Visible, Enabled, Topmost;
};

// Which of the thread's other top-level windows, listed in z-order from the
// top, takes the activation when the dialog hides: the first visible and
// enabled one that is not top-most, else the first visible and enabled one;
// -1 when there is none.
int ChooseSuccessor(const std::vector<ActivationCandidate>& inZOrder);

}  // namespace vantu
