// Text widths: the name pruning of the widget relies on widths that grow with every character
// and that come from the font the page uses.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/ProcessState.h"
#include "foundation/TextEncoding.h"
#include "os/FontTextMeasurer.h"

namespace sw::os {
namespace {

constexpr const char* kLabelFont = "Lucida Grande";

class FontWidths : public ::testing::Test {
 protected:
  FontTextMeasurer measurer;
};

TEST_F(FontWidths, EveryAddedCharacterMakesTheTextWider) {
  const std::string name = "SMC CPU A DIODE Lüfter €";
  double previous = 0.0;
  for (std::size_t length = 1; length <= utf16Length(name); ++length) {
    const std::string prefix = utf16Prefix(name, length);
    const double width = measurer.widthOfText(prefix, kLabelFont, 13.0);
    EXPECT_GT(width, previous) << "\"" << prefix << "\"";
    previous = width;
  }
  EXPECT_EQ(measurer.widthOfText("", kLabelFont, 13.0), 0.0);
}

TEST_F(FontWidths, GlyphsHaveTheirOwnWidthsAndEvenUnmeasurableInputGetsADefinedOne) {
  EXPECT_GT(measurer.widthOfText("W", kLabelFont, 13.0), 1.5 * measurer.widthOfText("i", kLabelFont, 13.0));
  const double small = measurer.widthOfText("Temperature", kLabelFont, 10.0);
  EXPECT_NEAR(measurer.widthOfText("Temperature", kLabelFont, 20.0), 2.0 * small, 1e-9);
  // A word is some points wide, not pixels of a 96-dpi screen nor font units.
  EXPECT_GT(small, 30.0);
  EXPECT_LT(small, 80.0);
  const double plain = measurer.widthOfText("AOUaous", kLabelFont, 13.0);
  EXPECT_NEAR(measurer.widthOfText("ÄÖÜäöüß", kLabelFont, 13.0), plain, plain * 0.15) << "umlauts are letters";
  EXPECT_DOUBLE_EQ(measurer.widthOfText("Fan", "No Such Family 123", 12.0), measurer.widthOfText("Fan", "sans-serif", 12.0));
  EXPECT_GT(measurer.widthOfText("\xFF\xFE", kLabelFont, 12.0), 0.0);  // invalid UTF-8
  EXPECT_GT(measurer.widthOfText("\U000E0001\U0010FFFD", kLabelFont, 12.0), 0.0);  // no glyphs
  for (double size : {0.0, -3.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(measurer.widthOfText("Fan", kLabelFont, size), 0.0) << size;
  }
}

TEST(CurrentMeasurer, ATestMeasurerStaysUntilRemovedOrReset) {
  setTextMeasurer(std::make_shared<FixedWidthTextMeasurer>());
  EXPECT_EQ(currentTextMeasurer().widthOfText("Fan", kLabelFont, 10.0), 15.0);
  setTextMeasurer(nullptr);
  EXPECT_NE(currentTextMeasurer().widthOfText("Fan", kLabelFont, 10.0), 15.0);
  setTextMeasurer(std::make_shared<FixedWidthTextMeasurer>());
  resetProcessState();
  EXPECT_NE(currentTextMeasurer().widthOfText("Fan", kLabelFont, 10.0), 15.0);
}

}  // namespace
}  // namespace sw::os
