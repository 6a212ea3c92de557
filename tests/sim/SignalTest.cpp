// Signals: values that move with the clock, repeatably.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "os/Clock.h"
#include "sim/Signal.h"

namespace sw::sim {
namespace {

Signal signalOf(Dictionary fields) { return Signal::parse(Value(std::move(fields)), "signal"); }

// The wave itself shows in the registry and controller key tests; here its precision and rounding.
TEST(Signal, AWaveStaysPeriodicAtTodaysDatesAndIntegersAreRoundedToTheNearest) {
  os::ManualClock clock(0);
  Signal wave = signalOf({{"Base", Value::integer(10)}, {"Amplitude", Value::real(0.6)}, {"Period", Value::integer(4)}});
  EXPECT_NEAR(wave.valueAt(1'700'000'001), wave.valueAt(1'700'000'001 + 4), 1e-6);
  EXPECT_NEAR(wave.valueAt(1'700'000'001), 10.6, 1e-6);
  clock.set(1);  // 10.6
  EXPECT_EQ(wave.currentValue(true), Value::integer(11));
  EXPECT_EQ(wave.currentValue(false).kind(), Value::Kind::Real);
  clock.set(3);  // 9.4
  EXPECT_EQ(wave.currentValue(true), Value::integer(9));
}

TEST(Signal, NoiseStaysWithinItsBoundAndRepeatsForTheSameMoment) {
  Signal noisy = signalOf({{"Base", Value::integer(100)}, {"Noise", Value::integer(5)}});
  bool varies = false;
  for (double time = 1'700'000'000; time < 1'700'000'200; time += 1) {
    double value = noisy.valueAt(time);
    EXPECT_GE(value, 95);
    EXPECT_LE(value, 105);
    EXPECT_EQ(value, noisy.valueAt(time + 0.5)) << "one value per second";
    varies = varies || value != noisy.valueAt(1'700'000'000);
  }
  EXPECT_TRUE(varies);
}

TEST(Signal, NonFiniteOrNegativeSettingsAreRefusedAndEveryMomentGivesAFiniteValue) {
  const double infinity = std::numeric_limits<double>::infinity();
  EXPECT_THROW(signalOf({{"Base", Value::real(infinity)}}), std::exception);
  EXPECT_THROW(signalOf({{"Base", Value::integer(1)}, {"Noise", Value::integer(-1)}}), std::exception);
  EXPECT_THROW(signalOf({{"Base", Value("1")}}), std::exception);
  EXPECT_THROW(Signal::parse(Value(Array{}), "signal"), std::exception);
  Signal everything = signalOf({{"Base", Value::real(1)}, {"Amplitude", Value::real(1)}, {"Period", Value::real(1)},
                                {"Noise", Value::real(1)}});
  for (double time : {std::numeric_limits<double>::quiet_NaN(), infinity, -infinity, 1e300, -1e300}) {
    EXPECT_TRUE(std::isfinite(everything.valueAt(time))) << time;
  }
}

}  // namespace
}  // namespace sw::sim
