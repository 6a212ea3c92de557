// The process's text measurer and the fixed-width one for tests.
#include "os/TextMeasurer.h"

#include "foundation/ProcessWide.h"
#include "foundation/TextEncoding.h"
#include "os/FontTextMeasurer.h"

namespace sw::os {
namespace {

// Made on first use: the real font until a test installs another measurer.
ProcessWide<std::shared_ptr<TextMeasurer>> measurer([]() -> std::shared_ptr<TextMeasurer> {
  return std::make_shared<FontTextMeasurer>();
});

}  // namespace

TextMeasurer& currentTextMeasurer() { return *measurer.get(); }

void setTextMeasurer(std::shared_ptr<TextMeasurer> replacement) {
  measurer.get() = replacement ? std::move(replacement) : std::make_shared<FontTextMeasurer>();
}

double FixedWidthTextMeasurer::widthOfText(std::string_view text, std::string_view, double pointSize) {
  return static_cast<double>(utf16Length(text)) * pointSize * 0.5;
}

}  // namespace sw::os
