// Text widths from the real font: fontconfig chooses the face, FreeType gives the advances.
#pragma once

#include <memory>

#include "os/TextMeasurer.h"

namespace sw::os {

class FontTextMeasurer : public TextMeasurer {
 public:
  FontTextMeasurer();
  ~FontTextMeasurer() override;

  /// The sum of the glyph advances (with the font's kerning pairs) at pointSize, one point
  /// being one pixel at 72 dpi. A family that is not installed falls back to the best
  /// sans-serif face; without any usable face every UTF-16 unit is half the size wide. A size
  /// that is not a positive number gives 0.
  double widthOfText(std::string_view text, std::string_view fontFamily, double pointSize) override;

 private:
  struct Fonts;
  std::unique_ptr<Fonts> fonts_;
};

}  // namespace sw::os
