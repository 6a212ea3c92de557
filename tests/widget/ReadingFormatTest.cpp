// What the widget shows: readings in every scale and format, names pruned to the label, menu
// entries, icons, status and version lines.
#include <gtest/gtest.h>

#include "widget/PluginController.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class Readings : public WidgetTestMachine {
 protected:
  /// The reading of one sensor shown at position 0 in the scale.
  std::string readingOf(FakeSensor::Spec spec, int scale = 0) {
    spec.uniqueIdentifier = "only";
    spec.location = "Somewhere";
    useSensors({spec});
    PluginController controller;
    controller.setWidgetIdentifier("w");
    controller.setTemperatureUnitIndex(scale);
    return controller.localizedReadingAtDisplayIndex(0);
  }
};

TEST_F(Readings, EachQuantityHasItsDecimalsPaddingAndUnit) {
  struct Case {
    FakeSensor::Spec sensor;
    int scale;
    std::string expected;
  };
  const double fixedPoint = 1.0 / 65536;
  const Case cases[] = {
      {{"", "", TKSQuantityTemperature, 50, "C"}, 0, "   50.0°C"},
      {{"", "", TKSQuantityTemperature, 50, "C"}, 1, "  122.0°F"},
      // 273.15 + 50 lies just below 323.15 in binary, so it rounds down.
      {{"", "", TKSQuantityTemperature, 50, "C"}, 2, "  323.1K"},
      {{"", "", TKSQuantityTemperature, 50, "C", 1.0}, 0, "     50°C"},
      {{"", "", TKSQuantityTemperature, -40, "C"}, 1, "  -40.0°F"},
      {{"", "", TKSQuantityVoltage, 68812, "V", 0.0, fixedPoint}, 0, " 1.0500 V"},
      {{"", "", TKSQuantityCurrent, 163840, "A", 0.0, fixedPoint}, 0, "   2.50 A"},
      {{"", "", TKSQuantityPower, 12, "W"}, 0, "   12.0 W"},
      {{"", "", TKSQuantityCharge, 4200, "mAh"}, 0, "   4200 mAh"},
      {{"", "", TKSQuantityFanSpeed, 1200, "RPM"}, 0, "   1200 RPM"},
      {{"", "", TKSQuantityFanDutyCycle, 45, "%"}, 0, "   45.0 %"},
      {{"", "", TKSQuantityLight, 7, " "}, 0, "      7  "},
      {{"", "", TKSQuantityFrequency, 2400, "MHz"}, 0, "   2400 MHz"},
      {{"", "", TKSQuantityStatus, 1, ""}, 0, "      1 "},
      {{"", "", 12, 5, "?"}, 0, "      5 ?"},
      // A number wider than the field is not cut.
      {{"", "", TKSQuantityFanSpeed, 123456789, "RPM"}, 0, "123456789 RPM"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readingOf(c.sensor, c.scale), c.expected) << c.sensor.quantityType << " in scale " << c.scale;
  }
}

TEST_F(Readings, MissingReadingIsDashesWhateverTheQuantity) {
  for (int quantity : {1, 2, 6, 12}) {
    EXPECT_EQ(readingOf({"", "", quantity, -1, "V"}, 1), "---") << quantity;
  }
}

TEST_F(Readings, TheSensorIsReadOncePerReading) {
  useSensors({{"only", "Somewhere", TKSQuantityTemperature, 20}});
  PluginController controller;
  controller.setWidgetIdentifier("w");
  controller.localizedReadingAtDisplayIndex(0);
  EXPECT_EQ(sensors_[0]->reads, 1);
}

TEST_F(Readings, IconsFollowTheQuantityType) {
  const std::pair<int, const char*> cases[] = {
      {0, "Images/TUnkn.png"},  {1, "Images/TTemp.png"},  {2, "Images/TElec.png"},  {3, "Images/TElec.png"},
      {4, "Images/TElec.png"},  {5, "Images/TElec.png"},  {6, "Images/TFan.png"},   {7, "Images/TFan.png"},
      {8, "Images/TLight.png"}, {9, "Images/TLoad.png"},  {10, "Images/TNull.png"}, {11, "Images/TInfo.png"},
      {12, "Images/TNull.png"}, {13, "Images/TFreq.png"}, {14, "Images/TNull.png"}, {-1, "Images/TNull.png"},
  };
  for (auto [quantity, icon] : cases) {
    useSensors({{"only", "Somewhere", quantity}});
    PluginController controller;
    controller.setWidgetIdentifier("w");
    EXPECT_EQ(controller.relativePathForTypeIconAtDisplayIndex(0), icon) << quantity;
  }
}

class Names : public WidgetTestMachine {};

TEST_F(Names, LocationsPassThroughBothTablesAndUnknownOnesStayAsTheyAre) {
  useSensors({{"a", "SMC CPU A DIODE"}, {"b", "Nowhere Known", TKSQuantityVoltage, 0, "V"}});
  PluginController controller;
  EXPECT_EQ(controller.localizedSensorNameAtIndex(0), "CPU A Diode");
  EXPECT_EQ(controller.localizedSensorNameAtIndex(1), "Nowhere Known");
  os::setCurrentLocale("de_DE");
  EXPECT_EQ(PluginController().localizedSensorNameAtIndex(0), "CPU A Diode");
  useSensors({{"a", "SMC CPU A HEAT SINK"}});
  EXPECT_EQ(PluginController().localizedSensorNameAtIndex(0), "CPU A Kühlkörper");
}

TEST_F(Names, IndexesOutsideTheListGiveEmptyTexts) {
  useTemperatureSensors(2);
  PluginController controller;
  for (int index : {-1, 2, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(controller.localizedSensorNameAtIndex(index), "") << index;
    EXPECT_EQ(controller.localizedSensorUnitAtIndex(index), "") << index;
    EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(index), "") << index;
  }
}

TEST_F(Names, MenuEntriesPutTheUnitInBracketsAndFollowTheScale) {
  useSensors({{"t", "Internal Ambient"},
              {"l", "SMC AMBIENT LIGHT 1", TKSQuantityLight, 0, " "},
              {"s", "KEY SWITCH", TKSQuantityStatus, 0, ""}});
  PluginController controller;
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(0), "[°C] Internal Ambient");
  controller.setTemperatureUnitIndex(2);
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(0), "[K] Internal Ambient");
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(1), "[ ] Ambient Light 1");
  // A sensor without a unit text has no menu entry.
  EXPECT_EQ(controller.localizedDifferentiatingSensorNameAtIndex(2), "");
}

class Pruning : public WidgetTestMachine {
 protected:
  // Fixed-width text: every character is 5 points wide at the label's 10 points.
  std::optional<std::string> prune(const std::optional<std::string>& name, float width) {
    PluginController controller;
    controller.setMaximumSensorNameWidth(width);
    return controller.prunedSensorNameForName(name);
  }
};

TEST_F(Pruning, NamesAreCutCharacterByCharacterUntilTheyFit) {
  struct Case {
    std::optional<std::string> name;
    float width;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"Ambient", 35, "Ambient"},             // exactly fits
      {"Ambient", 34.9f, "Ambie…"},         // five characters and the ellipsis are 30 points
      {"Ambient", 0, "A…"},                  // the shortest candidate, even though it is too wide
      {"Ab", 0, "A…"},
      {"A", 0, std::nullopt},                  // nothing shorter to offer
      {"", 0, ""},
      {"", -5, std::nullopt},                  // a negative width must not cut below nothing
      {std::nullopt, 100, std::nullopt},
      {"Lüfter 😀 links", 45, "Lüfter …"},   // counted in UTF-16 units; the emoji is two
      {"😀x", 5, "…"},                        // a cut through a surrogate pair drops it whole
  };
  for (const auto& c : cases) {
    EXPECT_EQ(prune(c.name, c.width), c.expected) << c.name.value_or("(absent)") << " at " << c.width;
  }
}

TEST_F(Pruning, DisplayedNamesArePrunedToTheScriptsWidth) {
  useSensors({{"a", "SMC CPU A HEAT SINK"}});
  PluginController controller;
  controller.setWidgetIdentifier("w");
  EXPECT_EQ(controller.localizedSensorNameAtDisplayIndex(0), "CPU A Heat Sink");
  controller.setMaximumSensorNameWidth(30);
  EXPECT_EQ(controller.localizedSensorNameAtDisplayIndex(0), "CPU A…");
}

class Messages : public WidgetTestMachine {};

TEST_F(Messages, ElementNamesAreTranslatedOrLeftAsTheyAre) {
  PluginController controller;
  os::setCurrentLocale("de_DE");
  EXPECT_EQ(controller.localizedStringForElementWithName("Done"), "Fertig");
  EXPECT_EQ(controller.localizedStringForElementWithName("No Such Element"), "No Such Element");
  EXPECT_EQ(controller.localizedStringForElementWithName(""), "");
}

}  // namespace
}  // namespace sw::test
