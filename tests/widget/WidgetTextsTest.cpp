// What the widget shows: readings in every scale and format, names pruned to the label, menu
// entries, and a name for every location a built-in machine's sensors report.
#include <gtest/gtest.h>

#include "support/EmbeddedStringTable.h"
#include "sim/BuiltInProfiles.h"
#include "widget/SensorClassLoading.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class WidgetTexts : public WidgetTestMachine {
 protected:
  /// The one sensor shown at position 0, in the scale.
  std::unique_ptr<PluginController> showing(FakeSensor::Traits traits, int scale = 0) {
    useSensors({traits});
    auto controller = startedController();
    controller->setTemperatureUnitIndex(scale);
    return controller;
  }
};

TEST_F(WidgetTexts, EachQuantityHasItsDecimalsPaddingAndUnitAndAMissingReadingIsDashes) {
  struct Case {
    std::int32_t quantityType, rawValue;
    const char* unit;
    int scale;
    std::string expected;
  };
  const Case cases[] = {
      {TKSQuantityTemperature, 50, "C", 0, "   50.0°C"}, {TKSQuantityTemperature, 50, "C", 1, "  122.0°F"},
      {TKSQuantityTemperature, 50, "C", 2, "  323.1K"},  // 273.15 + 50 lies just below 323.15 in binary
      {TKSQuantityTemperature, -40, "C", 1, "  -40.0°F"},   {TKSQuantityVoltage, 1, "V", 0, " 1.0000 V"},
      {TKSQuantityCurrent, 2, "A", 0, "   2.00 A"},         {TKSQuantityPower, 12, "W", 0, "   12.0 W"},
      {TKSQuantityCharge, 4200, "mAh", 0, "   4200 mAh"},   {TKSQuantityFanSpeed, 1200, "RPM", 0, "   1200 RPM"},
      {TKSQuantityFanDutyCycle, 45, "%", 0, "   45.0 %"},   {TKSQuantityLight, 7, " ", 0, "      7  "},
      {TKSQuantityFrequency, 2400, "MHz", 0, "   2400 MHz"}, {TKSQuantityStatus, 1, "", 0, "      1 "},
      {12, 5, "?", 0, "      5 ?"},                         {TKSQuantityFanSpeed, 123456789, "RPM", 0, "123456789 RPM"},
      {TKSQuantityTemperature, -1, "C", 1, "---"},          {TKSQuantityFanSpeed, -1, "RPM", 0, "---"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(showing({"", "", c.quantityType, c.rawValue, c.unit}, c.scale)->localizedReadingAtDisplayIndex(0), c.expected)
        << c.quantityType << " in scale " << c.scale;
  }
  EXPECT_EQ(showing({"", "", TKSQuantityTemperature, 50, "C", 1.0})->localizedReadingAtDisplayIndex(0), "     50°C")
      << "a whole-degree sensor shows no decimals";
}

TEST_F(WidgetTexts, NamesAndMenuEntriesAreTranslatedAndIndexesOutsideTheListGiveEmptyTexts) {
  useSensors({{"a", "SMC CPU A DIODE"}, {"v", "Nowhere Known", TKSQuantityVoltage, 0, "V"}, {"t", "Internal Ambient"},
              {"l", "SMC AMBIENT LIGHT 1", TKSQuantityLight, 0, " "}, {"s", "KEY SWITCH", TKSQuantityStatus, 0, ""}});
  PluginController controller;
  EXPECT_EQ(controller.localizedSensorNameAtIndex(1), "CPU A Diode");
  EXPECT_EQ(controller.localizedSensorNameAtIndex(2), "Nowhere Known");
  controller.setTemperatureUnitIndex(2);
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(0), "[K] Internal Ambient");
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(3), "[ ] Ambient Light 1");
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(4), "") << "no unit text, no menu entry";
  for (int index : {-1, 5, INT32_MIN}) {
    EXPECT_EQ(controller.localizedSensorNameAtIndex(index), "") << index;
    EXPECT_EQ(controller.localizedSensorUnitAtIndex(index), "") << index;
    EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(index), "") << index;
  }
  os::setCurrentLocale("de_DE");
  EXPECT_EQ(controller.localizedStringForElementWithName("Done"), "Fertig");
  EXPECT_EQ(controller.localizedStringForElementWithName("No Such Element"), "No Such Element");
  useSensors({{"a", "SMC CPU A HEAT SINK"}});
  EXPECT_EQ(PluginController().localizedSensorNameAtIndex(0), "CPU A Kühlkörper");
}

TEST_F(WidgetTexts, NamesAreCutCharacterByCharacterUntilTheyFit) {
  struct Case {
    std::optional<std::string> name;
    float width;
    std::optional<std::string> expected;
  };
  // Fixed-width text: every character is 5 points wide at the label's 10 points.
  const Case cases[] = {
      {"Ambient", 35, "Ambient"},            // exactly fits
      {"Ambient", 34.9f, "Ambie…"},         // five characters and the ellipsis are 30 points
      {"Ambient", 0, "A…"},                 // the shortest candidate, even though it is too wide
      {"A", 0, std::nullopt},                // nothing shorter to offer
      {"", -5, std::nullopt},                // a negative width must not cut below nothing
      {std::nullopt, 100, std::nullopt},
      {"Lüfter 😀 links", 45, "Lüfter …"},  // counted in UTF-16 units; the emoji is two
      {"😀x", 5, "😀…"},                     // the first character is kept whole, a pair too
      {"😀", 0, std::nullopt},               // one character of two units: nothing shorter
  };
  for (const auto& c : cases) {
    PluginController controller;
    controller.setMaximumSensorNameWidth(c.width);
    EXPECT_EQ(controller.prunedSensorNameForName(c.name), c.expected) << c.name.value_or("(absent)") << " at " << c.width;
  }
}

TEST_F(WidgetTexts, EverySensorOfEveryBuiltInProfileIsNamed) {
  const Dictionary locations = test::embeddedStringTable("resources/Plugin/en.lproj/SensorLocations.strings");
  const Dictionary names[] = {test::embeddedStringTable("resources/Plugin/en.lproj/Localizable.strings"),
                              test::embeddedStringTable("resources/Plugin/de.lproj/Localizable.strings")};
  for (const auto& profile : sim::builtInProfiles()) {
    auto loaded = sim::SimulatedMachine::loadBuiltIn(profile.name);
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<sim::SimulatedMachine>>(loaded)) << profile.name;
    resetProcessState();
    os::setCurrentMachine(std::get<std::shared_ptr<sim::SimulatedMachine>>(loaded));
    registerSensorClasses();
    for (const auto& sensor : TKSSensor::allSensors()) {
      const auto entry = locations.find(sensor->locationIdentifier());
      if (entry == locations.end()) {
        ADD_FAILURE() << profile.name << ": no entry for \"" << sensor->locationIdentifier() << "\"";
        continue;
      }
      for (const auto& language : names) {
        EXPECT_TRUE(language.count(*entry->second.asString())) << *entry->second.asString() << " is not translated";
      }
    }
  }
}

}  // namespace
}  // namespace sw::test
