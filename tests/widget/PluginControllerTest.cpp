// The controller's sensor list, model check, display positions and script bridge, and the names
// of every location a built-in machine's sensors report.
#include <gtest/gtest.h>

#include <climits>

#include "foundation/EmbeddedFiles.h"
#include "os/Bundle.h"
#include "os/SystemLog.h"
#include "sim/BuiltInProfiles.h"
#include "widget/SensorClassLoading.h"
#include "widget/WebView.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class PluginControllerTest : public WidgetTestMachine {};

Dictionary tableOf(const std::string& path) {
  const auto bytes = embedded::file(path);
  const auto table = bytes ? os::parseStringsFile(*bytes) : std::nullopt;
  if (!table) ADD_FAILURE() << path << " is missing or does not parse";
  return table.value_or(Dictionary{});
}

TEST_F(PluginControllerTest, OnlyExactListedModelsKeepTheirSensorsAndUnsupportedWinsOverNoSensors) {
  const std::pair<const char*, bool> models[] = {
      {"MacBookPro5,5", true},   {"PowerMac", true},      {"AAPL,PowerMac G3", true}, {"macbookpro5,5", false},
      {"MacBookPro5,55", false}, {"PowerMac99,1", false}, {"MacBookPro", false},      {"", false},
      {"MacBookPro5,5 ", false}};
  for (auto [model, supported] : models) {
    for (int sensors : {0, 2}) {
      useMachine(model);
      useTemperatureSensors(sensors);
      PluginController controller;
      EXPECT_EQ(controller.numberOfAvailableSensors(), supported ? sensors : 0) << model;
      EXPECT_EQ(controller.currentState(), !supported ? TKSWidgetStateUnsupportedModel
                                           : sensors ? TKSWidgetStateNormal : TKSWidgetStateNoSensors) << model;
      EXPECT_EQ(controller.localizedStatusMessage(), !supported ? "Unsupported machine"
                                                     : sensors ? "" : "No accessible sensors found") << model;
    }
  }
}

TEST_F(PluginControllerTest, SensorsSortByQuantityThenLocationStablyAndAreFoundByIdentifier) {
  useSensors({{"volt", "A Voltage", TKSQuantityVoltage, 1, "V"}, {"lower", "b lower case"}, {"first", "Same"},
              {"smc", "SMC AMBIENT AIR"}, {"second", "Same"}, {"internal", "Internal Ambient"}});
  PluginController controller;
  std::vector<std::string> order;
  for (const auto& sensor : controller.sensorArray()) order.push_back(sensor->uniqueIdentifier());
  EXPECT_EQ(order, (std::vector<std::string>{"internal", "smc", "first", "second", "lower", "volt"}));
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("volt")), 5u);
  for (const auto& absent : {std::optional<std::string>(""), std::optional<std::string>(), std::optional<std::string>("gone")}) {
    EXPECT_EQ(controller.sensorIndexForSensorID(absent), 0xFFFFFFFFu);
  }
  useSensors({{"same", "Location 1"}, {"same", "Location 2"}});
  EXPECT_EQ(PluginController().sensorIndexForSensorID(std::string("same")), 1u) << "a duplicate finds the later";
}

TEST_F(PluginControllerTest, FirstStartWithOneSensorFillsOnlyTheFirstPositionAndStores) {
  useTemperatureSensors(1);
  auto controller = startedController();
  EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 0);
  EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(1), -1);
  EXPECT_EQ(storedDomain()->at("IndexOfTemperatureUnit"), Value::integer(0));
  EXPECT_EQ(storedMachineDictionary(), (Dictionary{{"w1:SensorIDForDisplayPosition1", Value("fake.0")},
                                                   {"w1:SensorIDForDisplayPosition2", Value("")}}));
}

TEST_F(PluginControllerTest, OutOfRangeChoicesChangeAndStoreNothing) {
  useTemperatureSensors(3);
  auto controller = startedController();
  const auto before = storedDomain();
  for (auto [sensor, display] : std::initializer_list<std::pair<int, int>>{{3, 0}, {-2, 0}, {0, 2}, {0, -1}, {INT32_MIN, 0}, {INT32_MAX, 1}}) {
    controller->setPreferredSensorIndexForDisplayIndex(sensor, display);
    EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 0) << sensor << "," << display;
    EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(1), 1) << sensor << "," << display;
  }
  EXPECT_EQ(storedDomain(), before);
  controller->setPreferredSensorIndexForDisplayIndex(-1, 1);
  EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(1), -1);
  EXPECT_EQ(storedMachineDictionary().at("w1:SensorIDForDisplayPosition2"), Value(""));
}

TEST_F(PluginControllerTest, PublishedToThePageUntilReleasedAndDebugStringsAreNoFormat) {
  WebView page;
  auto controller = PluginController::initWithWebView(page);
  controller->windowScriptObjectAvailable(page.windowScriptObject());
  EXPECT_EQ(page.windowScriptObject().valueForKey("PluginController"), controller);
  os::CapturedLog log;
  controller->logDebugString("hello %@ world");
  EXPECT_EQ(log.messages(), std::vector<std::string>{"Debug message('hello %@ world')\n"});
  controller.reset();
  EXPECT_EQ(page.windowScriptObject().valueForKey("PluginController"), nullptr);
}

TEST_F(PluginControllerTest, EverySensorOfEveryBuiltInProfileIsNamed) {
  const Dictionary locations = tableOf("resources/Plugin/en.lproj/SensorLocations.strings");
  const Dictionary names[] = {tableOf("resources/Plugin/en.lproj/Localizable.strings"),
                              tableOf("resources/Plugin/de.lproj/Localizable.strings")};
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
