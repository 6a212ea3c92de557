// Durations and dates as the user reads them, in English and German, and the week of manufacture
// decoded from both serial number forms relative to the current year.
#include "system/TKSTimeUtilities.h"

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include <unicode/timezone.h>

#include "foundation/ProcessState.h"
#include "os/Bundle.h"
#include "os/Clock.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

constexpr double kSecondsFrom1970To2001 = 978307200.0;
// 2009-03-02 00:00 UTC, the Monday of week 10 of 2009.
constexpr double kMondayOfWeek10Of2009 = 257644800.0;

/// Seconds since 1970 of midnight UTC on the first of January.
double newYearUTC(int year) {
  using namespace std::chrono;
  return duration<double>(sys_days(std::chrono::year(year) / 1 / 1).time_since_epoch()).count();
}

/// Runs each test in a chosen locale and time zone; the clock stands at 2009-03-02 12:00 UTC.
class LocalizedTime : public ::testing::Test {
 protected:
  void SetUp() override { useLocaleAndZone("en_US", "UTC"); }
  void TearDown() override { useLocaleAndZone("en_US", "UTC"); }
  static void useLocaleAndZone(const char* locale, const char* zone) {
    resetProcessState();
    os::setCurrentLocale(locale);
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(zone));
  }
  /// The estimated production day of a serial number as an en_US short date, or "nil".
  static std::string productionDayOf(const std::string& serial) {
    TKSMachineInfo::Facts facts;
    facts.machineSerialNumber = serial;
    const auto date = TKSMachineInfo(facts).estimatedProductionDate();
    return date ? *TKSTimeUtilities::localizedDayRepresentationForDate(date) : "nil";
  }

  os::ManualClock clock_{kMondayOfWeek10Of2009 + kSecondsFrom1970To2001 + 43200.0};
};

TEST_F(LocalizedTime, DurationsShowOnlyTheUnitsThatAddSomethingInBothLanguages) {
  const std::tuple<double, const char*, const char*, const char*> durations[] = {  // English, German, numeric
      {0, "0 seconds", "0 Sekunden", "00:00:00"}, {1, "1 second ", "1 Sekunde ", "00:00:01"},
      {3725, "1 hour 2 minutes ", "1 Stunde 2 Minuten ", "01:02:05"},
      {86401, "1 day 1 second ", "1 Tag 1 Sekunde ", "1 d 00:00"},
      {-61.7, "-1 minute 1 second ", "-1 Minute 1 Sekunde ", "-00:01:01"},
      // Beyond the 32-bit range of seconds the count saturates rather than overflowing.
      {1e300, "24855 days 3 hours 14 minutes ", "24855 Tage 3 Stunden 14 Minuten ", "24855 d 03:14"}};
  for (const auto& [seconds, english, german, numeric] : durations) {
    useLocaleAndZone("en_US", "UTC");
    EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForTimeInterval(seconds), english) << seconds;
    EXPECT_EQ(TKSTimeUtilities::localizedNumericRepresentationForTimeInterval(seconds), numeric) << seconds;
    useLocaleAndZone("de_DE", "UTC");
    EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForTimeInterval(seconds), german) << seconds;
  }
  EXPECT_EQ(TKSTimeUtilities::localizedNumericRepresentationForTimeInterval(90061), "1 T. 01:01") << "German days";
}

TEST_F(LocalizedTime, AWeekDateIsMidnightInTheUsersZoneAndADateWithinADayShowsItsTimeOnly) {
  EXPECT_EQ(TKSTimeUtilities::dateForWeekYearDay(10, 2009, 0).secondsSinceReferenceDate,
            kMondayOfWeek10Of2009 - 86400.0) << "day 0 is the Sunday before";
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(std::nullopt), std::nullopt);
  const Date fiveMinutesAhead{kMondayOfWeek10Of2009 + 43200.0 + 300.0};
  const Date twoDaysAgo{kMondayOfWeek10Of2009 + 43200.0 - 2 * 86400.0};
  useLocaleAndZone("de_DE", "UTC");
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(fiveMinutesAhead), "12:05:00");
  EXPECT_EQ(TKSTimeUtilities::localizedTextRepresentationForDate(twoDaysAgo), "28.02.09, 12:00:00");
  EXPECT_EQ(TKSTimeUtilities::localizedDayRepresentationForDate(twoDaysAgo), "28.02.09");
  useLocaleAndZone("de_DE", "Europe/Berlin");
  EXPECT_EQ(TKSTimeUtilities::dateForWeekYearDay(10, 2009, 1).secondsSinceReferenceDate,
            kMondayOfWeek10Of2009 - 3600.0);
}

TEST_F(LocalizedTime, ProductionWeeksCountFromTheMostRecentMatchingYearAndTurnAtTheYearBoundary) {
  const double in2012 = newYearUTC(2012) + 100 * 86400.0;
  const std::tuple<double, const char*, const char*> cases[] = {  // now, serial number, production day
      // Eleven characters: the most recent year ending in the digit, and the week.
      {newYearUTC(2011) + 100 * 86400.0, "W8845A2B66J", "11/3/08"}, {newYearUTC(2007), "W8845A2B66J", "11/2/98"},
      {newYearUTC(2010) - 60.0, "W8010A2B66J", "2/28/00"}, {newYearUTC(2010) - 60.0, "W8910A2B66J", "3/2/09"},
      {newYearUTC(2010) + 60.0, "W8010A2B66J", "3/1/10"}, {newYearUTC(2010) + 60.0, "W8910A2B66J", "3/2/09"},
      // Non-digits read as zero: year digit 0 and week 0 are the week before week 1 of 2010.
      {in2012, "W8\u00e9\u00e9\u00e9A2B66J", "12/21/09"},  // eleven characters in twelve bytes
      // Twelve characters: a letter names the year and its half, the next one the week.
      {in2012, "C02G5XYZDH2G", "7/25/11"}, {in2012, "C02F5XYZDH2G", "1/24/11"}, {in2012, "C02HYXYZDH2G", "7/2/12"},
      // A clock past the last year of a form does not date its machines a decade late.
      {newYearUTC(2026) + 100 * 86400.0, "W8945A2B66J", "11/2/09"},
      {newYearUTC(2026) + 100 * 86400.0, "C02G5XYZDH2G", "7/25/11"},
      {newYearUTC(2026) + 100 * 86400.0, "C02M5XYZDH2G", "1/27/14"}};
  for (const auto& [now, serial, day] : cases) {
    clock_.set(now);
    EXPECT_EQ(productionDayOf(serial), day) << serial << " at " << now;
  }
  for (const char* serial : {"C02A5XYZDH2G", "C02GSXYZDH2G", "C02G0XYZDH2G", "W8845A2B66", "W8845A2B66J12",
                             "ZZZNOSERIAL-001b63a1b2c3", "ZZZNOSERIAL", "", "C02G\u00e9XYZDH2G"}) {
    EXPECT_EQ(productionDayOf(serial), "nil") << serial;
  }
}

}  // namespace
}  // namespace sw
