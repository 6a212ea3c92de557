// The week of manufacture decoded from both serial number forms, relative to the current year.
#include <gtest/gtest.h>

#include <memory>

#include <unicode/timezone.h>

#include "foundation/ProcessState.h"
#include "os/Bundle.h"
#include "os/Clock.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw {
namespace {

constexpr double kSecondsFrom1970To2001 = 978307200.0;

/// Seconds since 1970 of midnight UTC on the first of January of a year after 1970.
double newYearUTC(int year) {
  double days = 0;
  for (int y = 1970; y < year; ++y) days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
  return days * 86400.0;
}

class ProductionDate : public ::testing::Test {
 protected:
  void SetUp() override {
    resetProcessState();
    os::setCurrentLocale("en_US");
    savedZone_.reset(icu::TimeZone::createDefault());
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));
  }
  void TearDown() override {
    icu::TimeZone::adoptDefault(savedZone_.release());
    resetProcessState();
  }

  /// The estimated production day as en_US short date, or "nil".
  std::string productionDayOf(const std::string& serial) {
    TKSMachineInfo::Facts facts;
    facts.machineSerialNumber = serial;
    const auto date = TKSMachineInfo(facts).estimatedProductionDate();
    return date ? *TKSTimeUtilities::localizedDayRepresentationForDate(date) : "nil";
  }

  os::ManualClock clock_;

 private:
  std::unique_ptr<icu::TimeZone> savedZone_;
};

TEST_F(ProductionDate, ElevenCharactersGiveTheMostRecentYearEndingInTheirDigit) {
  clock_.set(newYearUTC(2011) + 100 * 86400.0);
  EXPECT_EQ(productionDayOf("W8845A2B66J"), "11/3/08");
  clock_.set(newYearUTC(2008) + 100 * 86400.0);
  EXPECT_EQ(productionDayOf("W8845A2B66J"), "11/3/08");
  clock_.set(newYearUTC(2007) + 100 * 86400.0);
  EXPECT_EQ(productionDayOf("W8845A2B66J"), "11/2/98");
}

TEST_F(ProductionDate, TheDecadeTurnsAtTheYearBoundaryNotBefore) {
  clock_.set(newYearUTC(2010) - 60.0);
  EXPECT_EQ(productionDayOf("W8010A2B66J"), "2/28/00");
  EXPECT_EQ(productionDayOf("W8910A2B66J"), "3/2/09");
  clock_.set(newYearUTC(2010) + 60.0);
  EXPECT_EQ(productionDayOf("W8010A2B66J"), "3/1/10");
  EXPECT_EQ(productionDayOf("W8910A2B66J"), "3/2/09");
}

TEST_F(ProductionDate, TwelveCharactersNameTheHalfYearAndItsWeek) {
  clock_.set(newYearUTC(2012) + 100 * 86400.0);
  EXPECT_EQ(productionDayOf("C02G5XYZDH2G"), "7/25/11");  // G: 2011, second half; 5 + 26 = week 31
  EXPECT_EQ(productionDayOf("C02F5XYZDH2G"), "1/24/11");  // F: 2011, first half; week 5
  EXPECT_EQ(productionDayOf("C02HYXYZDH2G"), "7/2/12");   // H: 2012; Y is week 27
}

TEST_F(ProductionDate, UndecodableSerialNumbersGiveNoDate) {
  clock_.set(newYearUTC(2012));
  for (const char* serial : {"C02A5XYZDH2G", "C02GSXYZDH2G", "C02G0XYZDH2G", "W8845A2B66", "W8845A2B66J12",
                             "ZZZNOSERIAL-001b63a1b2c3", "ZZZNOSERIAL", "", "C02G\u00e9XYZDH2G"}) {
    EXPECT_EQ(productionDayOf(serial), "nil") << serial;
  }
}

TEST_F(ProductionDate, NonDigitsOfTheElevenCharacterFormReadAsZero) {
  clock_.set(newYearUTC(2012));
  // Year digit 0 and week 0: the week before week 1 of 2010.
  EXPECT_EQ(productionDayOf("WXXXXA2B66J"), "12/21/09");
  // Eleven characters, twelve bytes: the accented letter is one character.
  EXPECT_EQ(productionDayOf("W8\u00e9\u00e9\u00e9A2B66J"), "12/21/09");
}

}  // namespace
}  // namespace sw
