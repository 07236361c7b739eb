#include "ui/DialogGeometry.h"

#include <algorithm>
#include <cstdint>

namespace vantu {

int ScaleLength(int value, int textHeight) {
  // round(p / d) with halves away from zero is (2p + d) / 2d for p >= 0.
  const std::int64_t p = std::int64_t{value} * textHeight;
  const std::int64_t d = DesignTextHeight;
  return static_cast<int>(p >= 0 ? (2 * p + d) / (2 * d) : -((-2 * p + d) / (2 * d)));
}

Bounds ScaleBounds(const Bounds& design, int textHeight) {
  const int left = ScaleLength(design.Left, textHeight);
  const int top = ScaleLength(design.Top, textHeight);
  const int right = ScaleLength(design.Left + design.Width, textHeight);
  const int bottom = ScaleLength(design.Top + design.Height, textHeight);
  return {left, top, right - left, bottom - top};
}

Origin CentredOrigin(int outerWidth, int outerHeight, int screenWidth, int screenHeight) {
  return {std::max(0, (screenWidth - outerWidth) / 2), std::max(0, (screenHeight - outerHeight) / 2)};
}

int ChooseSuccessor(const std::vector<ActivationCandidate>& inZOrder) {
  int fallback = -1;
  for (int i = 0; i < static_cast<int>(inZOrder.size()); ++i) {
    const ActivationCandidate& window = inZOrder[static_cast<size_t>(i)];
    if (!window.Visible || !window.Enabled) continue;
    if (!window.Topmost) return i;
    if (fallback < 0) fallback = i;
  }
  return fallback;
}

}  // namespace vantu
