// Double → integer conversions: every edge must give a defined, saturated result.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/Numbers.h"

namespace sw {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(ClampToInt32, EdgesOfTheRangeSaturateAndNaNGivesZero) {
  struct Case {
    double input;
    std::int32_t expected;
  };
  const Case cases[] = {
      {std::nan(""), 0},           {kInfinity, 2147483647},        {-kInfinity, -2147483647 - 1},
      {2147483648.0, 2147483647},  {2147483647.9, 2147483647},     {-2147483648.0, -2147483647 - 1},
      {-2147483649.0, -2147483647 - 1}, {2.9, 2},                  {-2.9, -2},
  };
  for (const Case& c : cases) EXPECT_EQ(clampToInt32(c.input), c.expected) << c.input;
}

TEST(ClampToUInt32, NegativesGiveZeroAndTheTopSaturates) {
  EXPECT_EQ(clampToUInt32(-1.0), 0u);
  EXPECT_EQ(clampToUInt32(4294967295.5), 4294967295u);
  EXPECT_EQ(clampToUInt32(4294967296.0), 4294967295u);
  EXPECT_EQ(clampToUInt32(std::nan("")), 0u);
}

TEST(ClampToInt64, PowersOfTwoAtTheEdgeSaturateInsteadOfOverflowing) {
  constexpr auto max = std::numeric_limits<std::int64_t>::max();
  constexpr auto min = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(clampToInt64(0x1p63), max);
  EXPECT_EQ(clampToInt64(static_cast<double>(max)), max);  // rounds up to 2^63
  EXPECT_EQ(clampToInt64(-0x1p63), min);
  EXPECT_EQ(clampToInt64(std::nextafter(-0x1p63, -kInfinity)), min);
  EXPECT_EQ(clampToInt64(std::nextafter(0x1p63, 0.0)), 0x7FFFFFFFFFFFFC00);
}

}  // namespace
}  // namespace sw
