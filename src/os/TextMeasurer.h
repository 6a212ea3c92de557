// Width of a text in a font, as the label that shows it will draw it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace sw::os {

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  /// The advance width in points of text set in the font family at the size.
  virtual double widthOfText(std::string_view text, std::string_view fontFamily, double pointSize) = 0;
};

/// The process's measurer: the real font (fontconfig + FreeType) unless a test replaced it.
TextMeasurer& currentTextMeasurer();
void setTextMeasurer(std::shared_ptr<TextMeasurer> measurer);  // null restores the real one

/// Deterministic widths for tests: every UTF-16 unit is pointSize * 0.5 wide.
class FixedWidthTextMeasurer : public TextMeasurer {
 public:
  double widthOfText(std::string_view text, std::string_view fontFamily, double pointSize) override;
};

}  // namespace sw::os
