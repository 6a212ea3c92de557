// The controller's sensor list, model check, display positions and script bridge.
#include <gtest/gtest.h>

#include <climits>

#include "os/SystemLog.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class ModelCheck : public WidgetTestMachine {};

TEST_F(ModelCheck, OnlyExactListedIdentifiersKeepTheirSensors) {
  struct Case {
    const char* model;
    bool supported;
  };
  const Case cases[] = {
      {"MacBookPro5,5", true},  {"PowerMac", true},        {"AAPL,PowerMac G3", true},
      {"macbookpro5,5", false}, {"MacBookPro5,55", false}, {"PowerMac99,1", false},
      {"MacBookPro", false},    {"", false},               {"MacBookPro5,5 ", false},
  };
  for (const auto& c : cases) {
    useMachine(c.model);
    useTemperatureSensors(2);
    PluginController controller;
    EXPECT_EQ(controller.numberOfAvailableSensors(), c.supported ? 2 : 0) << c.model;
    EXPECT_EQ(controller.currentState(), c.supported ? TKSWidgetStateNormal : TKSWidgetStateUnsupportedModel)
        << c.model;
    EXPECT_EQ(controller.localizedStatusMessage(), c.supported ? "" : "Unsupported machine") << c.model;
  }
}

TEST_F(ModelCheck, UnsupportedModelWinsOverNoSensors) {
  useMachine("Macmini9,1");
  PluginController controller;
  EXPECT_EQ(controller.currentState(), TKSWidgetStateUnsupportedModel);
}

TEST_F(ModelCheck, SupportedMachineWithoutSensorsSaysSo) {
  PluginController controller;
  EXPECT_EQ(controller.currentState(), TKSWidgetStateNoSensors);
  EXPECT_EQ(controller.localizedStatusMessage(), "No accessible sensors found");
}

class SortedSensorList : public WidgetTestMachine {};

TEST_F(SortedSensorList, SortedByQuantityThenLocationAndIndexedByIdentifier) {
  useSensors({{"volt", "A Voltage", TKSQuantityVoltage, 1, "V"},
              {"lower", "b lower case", TKSQuantityTemperature},
              {"smc", "SMC AMBIENT AIR", TKSQuantityTemperature},
              {"internal", "Internal Ambient", TKSQuantityTemperature}});
  PluginController controller;
  std::vector<std::string> order;
  for (const auto& sensor : controller.sensorArray()) order.push_back(sensor->uniqueIdentifier());
  EXPECT_EQ(order, (std::vector<std::string>{"internal", "smc", "lower", "volt"}));
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("volt")), 3u);
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("")), 0xFFFFFFFFu);
  EXPECT_EQ(controller.sensorIndexForSensorID(std::nullopt), 0xFFFFFFFFu);
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("gone")), 0xFFFFFFFFu);
}

TEST_F(SortedSensorList, ADuplicateIdentifierFindsTheLaterSensor) {
  useSensors({{"same", "Location 1"}, {"same", "Location 2"}});
  PluginController controller;
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("same")), 1u);
}

TEST_F(SortedSensorList, EqualSensorsKeepDiscoveryOrder) {
  useSensors({{"first", "Same"}, {"second", "Same"}, {"third", "Same"}});
  PluginController controller;
  EXPECT_EQ(controller.sensorArray()[0]->uniqueIdentifier(), "first");
  EXPECT_EQ(controller.sensorArray()[2]->uniqueIdentifier(), "third");
}

class DisplayPositions : public WidgetTestMachine {};

TEST_F(DisplayPositions, FirstStartWithOneSensorFillsOnlyTheFirstPositionAndStores) {
  useTemperatureSensors(1);
  PluginController controller;
  EXPECT_FALSE(storedDomain());
  controller.setWidgetIdentifier("w1");
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), 0);
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(1), -1);
  EXPECT_EQ(storedDomain()->at("IndexOfTemperatureUnit"), Value::integer(0));
  EXPECT_EQ(storedMachineDictionary(), (Dictionary{{"w1:SensorIDForDisplayPosition1", Value("fake.0")},
                                                   {"w1:SensorIDForDisplayPosition2", Value("")}}));
}

TEST_F(DisplayPositions, AStoredSecondPositionIsRespectedAndNothingIsWritten) {
  useTemperatureSensors(3);
  storeDomain({{kSerialNumber, Value(Dictionary{{"w1:SensorIDForDisplayPosition2", Value("fake.2")},
                                                  {"w1:SensorIDForDisplayPosition1", Value("")}})}});
  PluginController controller;
  controller.setWidgetIdentifier("w1");
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), -1);
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(1), 2);
  EXPECT_EQ(storedDomain()->count("IndexOfTemperatureUnit"), 0u) << "setWidgetIdentifier must not write";
}

TEST_F(DisplayPositions, OutOfRangeChoicesChangeAndStoreNothing) {
  useTemperatureSensors(3);
  PluginController controller;
  controller.setWidgetIdentifier("w1");
  const auto before = storedDomain();
  const std::pair<int, int> ignored[] = {{3, 0}, {-2, 0}, {0, 2}, {0, -1}, {INT32_MIN, 0}, {INT32_MAX, 1}};
  for (auto [sensor, display] : ignored) {
    controller.setPreferredSensorIndexForDisplayIndex(sensor, display);
    EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(0), 0) << sensor << "," << display;
    EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(1), 1) << sensor << "," << display;
  }
  EXPECT_EQ(storedDomain(), before);
  controller.setPreferredSensorIndexForDisplayIndex(-1, 1);
  EXPECT_EQ(controller.preferredSensorIndexAtDisplayIndex(1), -1);
  EXPECT_EQ(storedMachineDictionary().at("w1:SensorIDForDisplayPosition2"), Value(""));
}

class ScriptBridge : public WidgetTestMachine {};

TEST_F(ScriptBridge, InternalOperationsAndFieldsStayHidden) {
  for (const char* selector : {"readPreferences", "writePreferences", "sensorIndexForSensorID:",
                               "sensorIDForDisplayIndex:", "init", "setWidgetIdentifier", "dealloc",
                               "localizedSensorNameAtIndex:", "prunedSensorNameForName:", ""}) {
    EXPECT_TRUE(PluginController::isSelectorExcludedFromWebScript(selector)) << selector;
    EXPECT_FALSE(PluginController::webScriptNameForSelector(selector)) << selector;
  }
  for (const char* key : {"sensorArray", "widgetIdentifier", "currentState", ""}) {
    EXPECT_TRUE(PluginController::isKeyExcludedFromWebScript(key)) << key;
  }
}

TEST_F(ScriptBridge, PublishedUnderItsNameUntilReleased) {
  WebView page;
  auto controller = PluginController::initWithWebView(page);
  controller->windowScriptObjectAvailable(page.windowScriptObject());
  EXPECT_EQ(page.windowScriptObject().valueForKey("PluginController"), controller);
  controller.reset();
  EXPECT_EQ(page.windowScriptObject().valueForKey("PluginController"), nullptr);
}

TEST_F(ScriptBridge, DebugStringsGoToTheSystemLog) {
  os::CapturedLog log;
  PluginController controller;
  controller.logDebugString("hello %@ world");
  EXPECT_EQ(log.messages(), std::vector<std::string>{"Debug message('hello %@ world')\n"});
}

}  // namespace
}  // namespace sw::test
