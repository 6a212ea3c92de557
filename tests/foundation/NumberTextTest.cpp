// Readings in the user's notation: the decimal separator comes from the locale.
#include <gtest/gtest.h>

#include "foundation/Format.h"
#include "foundation/NumberText.h"
#include "foundation/ProcessState.h"

namespace sw {
namespace {

TEST(DecimalSeparator, EachLocaleGetsItsOwnSeparatorAndTheCachedAnswerSurvivesAReset) {
  EXPECT_EQ(decimalSeparatorForLocale("de_DE"), ",");
  EXPECT_EQ(decimalSeparatorForLocale("en_US"), ".");
  EXPECT_EQ(decimalSeparatorForLocale("de"), ",");
  EXPECT_EQ(decimalSeparatorForLocale("not a locale!"), ".");
  EXPECT_EQ(decimalSeparatorForLocale("de_DE"), ",");
  resetProcessState();
  EXPECT_EQ(decimalSeparatorForLocale("de_DE"), ",");
  EXPECT_EQ(decimalSeparatorForLocale("en_US"), ".");
}

TEST(LocalizedNumberText, OnlyThePointChangesAndThePaddingStays) {
  EXPECT_EQ(localizedNumberText(stringWithFormat("%7.1f", 25.5), "de_DE"), "   25,5");
  EXPECT_EQ(localizedNumberText("---", "de_DE"), "---");
}

}  // namespace
}  // namespace sw
