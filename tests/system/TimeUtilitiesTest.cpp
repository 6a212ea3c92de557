// Durations and dates as the user reads them, in English and German.
#include "system/TKSTimeUtilities.h"

#include <gtest/gtest.h>

#include <memory>

#include <unicode/timezone.h>

#include "foundation/ProcessState.h"
#include "os/Bundle.h"
#include "os/Clock.h"

namespace sw {
namespace {

constexpr double kSecondsFrom1970To2001 = 978307200.0;
// 2009-03-02 00:00 UTC, the Monday of week 10 of 2009.
constexpr double kMondayOfWeek10Of2009 = 257644800.0;

/// Runs each test in a chosen locale and time zone, with the clock at a fixed moment.
class LocalizedTimeTest : public ::testing::Test {
 protected:
  void useLocaleAndZone(const char* locale, const char* zone) {
    os::setCurrentLocale(locale);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(zone));
  }
  void SetUp() override {
    resetProcessState();
    savedZone_.reset(icu::TimeZone::createDefault());
    useLocaleAndZone("en_US", "UTC");
  }
  void TearDown() override {
    icu::TimeZone::adoptDefault(savedZone_.release());
    resetProcessState();
  }
  /// Now is 2009-03-02 12:00 UTC.
  os::ManualClock clock_{kMondayOfWeek10Of2009 + kSecondsFrom1970To2001 + 43200.0};

 private:
  std::unique_ptr<icu::TimeZone> savedZone_;
};

struct Duration {
  double seconds;
  const char* english;
  const char* german;
  const char* numeric;
};

class DurationTexts : public LocalizedTimeTest, public ::testing::WithParamInterface<Duration> {};

TEST_P(DurationTexts, ShowOnlyTheUnitsThatAddSomethingInBothLanguages) {
  const Duration& d = GetParam();
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForTimeInterval(d.seconds), d.english) << d.seconds;
  EXPECT_EQ(TKSTimeUtilities::localizedNumericRepresentationForTimeInterval(d.seconds), d.numeric) << d.seconds;
  useLocaleAndZone("de_DE", "UTC");
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForTimeInterval(d.seconds), d.german) << d.seconds;
}

INSTANTIATE_TEST_SUITE_P(
    Durations, DurationTexts,
    ::testing::Values(Duration{0, "0 seconds", "0 Sekunden", "00:00:00"},
                      Duration{1, "1 second ", "1 Sekunde ", "00:00:01"},
                      Duration{59, "59 seconds", "59 Sekunden", "00:00:59"},
                      Duration{125, "2 minutes 5 seconds", "2 Minuten 5 Sekunden", "00:02:05"},
                      Duration{3600, "1 hour ", "1 Stunde ", "01:00:00"},
                      Duration{3661, "1 hour 1 minute ", "1 Stunde 1 Minute ", "01:01:01"},
                      Duration{3725, "1 hour 2 minutes ", "1 Stunde 2 Minuten ", "01:02:05"},
                      Duration{86401, "1 day 1 second ", "1 Tag 1 Sekunde ", "1 d 00:00"},
                      Duration{90061, "1 day 1 hour 1 minute ", "1 Tag 1 Stunde 1 Minute ", "1 d 01:01"},
                      Duration{2 * 86400 + 7200, "2 days 2 hours ", "2 Tage 2 Stunden ", "2 d 02:00"},
                      Duration{-61.7, "-1 minute 1 second ", "-1 Minute 1 Sekunde ", "-00:01:01"},
                      // Beyond the 32-bit range of seconds the count saturates rather than overflowing.
                      Duration{1e300, "24855 days 3 hours 14 minutes ", "24855 Tage 3 Stunden 14 Minuten ",
                               "24855 d 03:14"}));

TEST_F(LocalizedTimeTest, TheGermanNumericFormOfDaysComesFromTheGermanTable) {
  useLocaleAndZone("de_DE", "UTC");
  EXPECT_EQ(TKSTimeUtilities::localizedNumericRepresentationForTimeInterval(90061), "1 T. 01:01");
}

TEST_F(LocalizedTimeTest, AWeekDateIsMidnightOfThatWeekdayInTheUsersZone) {
  EXPECT_EQ(TKSTimeUtilities::dateForWeekYearDay(10, 2009, 1).secondsSinceReferenceDate, kMondayOfWeek10Of2009);
  EXPECT_EQ(TKSTimeUtilities::dateForWeekYearDay(10, 2009, 0).secondsSinceReferenceDate,
            kMondayOfWeek10Of2009 - 86400.0);
  useLocaleAndZone("de_DE", "Europe/Berlin");
  EXPECT_EQ(TKSTimeUtilities::dateForWeekYearDay(10, 2009, 1).secondsSinceReferenceDate,
            kMondayOfWeek10Of2009 - 3600.0);
}

TEST_F(LocalizedTimeTest, ADateWithinADayShowsItsTimeOnlyAndAFartherOneItsDateToo) {
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(std::nullopt), std::nullopt);
  const Date fiveMinutesAhead{kMondayOfWeek10Of2009 + 43200.0 + 300.0};
  const Date twoDaysAgo{kMondayOfWeek10Of2009 + 43200.0 - 2 * 86400.0};
  useLocaleAndZone("de_DE", "UTC");
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(fiveMinutesAhead), "12:05:00");
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(twoDaysAgo), "28.02.09, 12:00:00");
  EXPECT_EQ(TKSTimeUtilities::localizedDayRepresentationForDate(twoDaysAgo), "28.02.09");
  useLocaleAndZone("en_US", "UTC");
  EXPECT_EQ(TKSTimeUtilities::localizedDayRepresentationForDate(twoDaysAgo), "2/28/09");
  EXPECT_NE(TKSTimeUtilities::localizedTextRepresentationForDate(twoDaysAgo)->find("2/28/09"), std::string::npos);
}

}  // namespace
}  // namespace sw
