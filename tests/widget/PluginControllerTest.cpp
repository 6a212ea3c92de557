// The controller's model check, sensor list, display positions, script bridge and stored settings:
// per machine and instance, the older index form, the shared scale, and other owners' keys.
#include <gtest/gtest.h>

#include "foundation/ProcessState.h"
#include "os/Machine.h"
#include "os/SystemLog.h"
#include "widget/SensorClassLoading.h"
#include "widget/WebView.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class PluginControllerTest : public WidgetTestMachine {};

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
  EXPECT_EQ(controller.sensorIndexForSensorID(std::nullopt), 0xFFFFFFFFu);
  EXPECT_EQ(controller.sensorIndexForSensorID(std::string("gone")), 0xFFFFFFFFu);
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

class StoredSettings : public WidgetTestMachine {};

TEST_F(StoredSettings, StoredPositionsAreReadAndThoseThatPointNowhereAreEmpty) {
  struct Case {
    const char* form;  // "ID" or the older "Index"
    Value stored;
    int expected;
  };
  const Case cases[] = {
      {"ID", Value("fake.2"), 2},  {"Index", Value::integer(3), 3},         {"ID", Value("removed.sensor"), -1},
      {"ID", Value::integer(1), -1}, {"Index", Value::integer(4), -1},      {"Index", Value::integer(-2), -1},
      {"Index", Value::integer(1LL << 32), -1}, {"Index", Value("1"), 1}, {"Index", Value(" +3 apples"), 3},
      {"Index", Value::boolean(true), 1},         {"Index", Value("none"), 0}, {"Index", Value(Data{1}), -1},
  };
  for (const auto& c : cases) {
    useTemperatureSensors(4);
    // The identifier wins over an older index stored beside it.
    storeDomain(Value(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("fake.1")},
                                  {"w1:SensorIndexForDisplayPosition1", Value::integer(0)},
                                  {std::string("w1:Sensor") + c.form + "ForDisplayPosition2", c.stored}}));
    auto controller = startedController();
    EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 1) << c.form << " " << &c - cases;
    EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(1), c.expected) << c.form << " " << &c - cases;
  }
  storeDomain(Value("not a dictionary"));
  EXPECT_EQ(startedController()->preferredSensorIndexAtDisplayIndex(1), 1) << "defaults, as on a first start";
}

TEST_F(StoredSettings, ScaleIsReadFromTheDomainThenTheOlderMachinePlace) {
  struct Case {
    std::optional<Value> domainUnit, machineUnit;
    int expected;
  };
  const Case cases[] = {
      {Value::integer(2), Value::integer(1), 2}, {std::nullopt, Value::integer(1), 1}, {Value::integer(5), std::nullopt, 0},
      {Value::integer(-1), Value::integer(1), 0}, {Value::integer(1LL << 33 | 1), std::nullopt, 0},
      {Value::real(2.9), std::nullopt, 2},       {Value("2"), std::nullopt, 2}, {Value::boolean(true), std::nullopt, 1},
      {Value("99999999999999999999"), std::nullopt, 0},
  };
  for (const auto& c : cases) {
    useTemperatureSensors(2);
    Dictionary machine{{"w1:SensorIDForDisplayPosition1", Value("fake.0")}};
    if (c.machineUnit) machine["IndexOfTemperatureUnit"] = *c.machineUnit;
    storeDomain(Value(machine), c.domainUnit ? Dictionary{{"IndexOfTemperatureUnit", *c.domainUnit}} : Dictionary{});
    EXPECT_EQ(startedController()->preferredTemperatureUnitIndex(), c.expected) << &c - cases;
  }
}

TEST_F(StoredSettings, AWriteRemovesTheOlderIndexAndMovesTheOlderScaleUp) {
  useTemperatureSensors(3);
  storeDomain(Value(Dictionary{{"w1:SensorIndexForDisplayPosition1", Value::integer(2)},
                                {"IndexOfTemperatureUnit", Value::integer(1)}}));
  startedController()->setPreferredSensorIndexForDisplayIndex(1, 1);
  EXPECT_EQ(storedDomain()->at("IndexOfTemperatureUnit"), Value::integer(1));
  const Dictionary machine = storedMachineDictionary();
  EXPECT_EQ(machine.at("IndexOfTemperatureUnit"), Value::integer(1)) << "the old copy stays";
  EXPECT_EQ(machine.count("w1:SensorIndexForDisplayPosition1"), 0u);
  EXPECT_EQ(machine.at("w1:SensorIDForDisplayPosition1"), Value("fake.2"));
}

TEST_F(StoredSettings, EveryWriteStartsFromTheStoredDomainAndKeepsWhatIsNotItsOwn) {
  useTemperatureSensors(2);
  const Value otherMachine(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("theirs")}});
  storeDomain(Value(Dictionary{{"Unrelated", Value::integer(7)}}),
              {{"SomeoneElsesKey", Value("kept")}, {"OTHERSERIAL", otherMachine}});
  auto first = startedController();
  PluginController withoutIdentifier;
  withoutIdentifier.setPreferredSensorIndexForDisplayIndex(1, 0);
  first->setTemperatureUnitIndex(2);
  const auto domain = storedDomain();
  EXPECT_EQ(domain->at("SomeoneElsesKey"), Value("kept"));
  EXPECT_EQ(domain->at("OTHERSERIAL"), otherMachine);
  EXPECT_EQ(domain->at("IndexOfTemperatureUnit"), Value::integer(2));
  const Dictionary machine = storedMachineDictionary();
  EXPECT_EQ(machine.at("SensorIDForDisplayPosition1"), Value("fake.1")) << "the other instance's write, key bare";
  EXPECT_EQ(machine.at("Unrelated"), Value::integer(7));
  EXPECT_EQ(machine.at("w1:SensorIDForDisplayPosition1"), Value("fake.0"));
}

TEST_F(StoredSettings, SettingsFollowTheSensorNotItsPosition) {
  useTemperatureSensors(3);
  startedController()->setPreferredSensorIndexForDisplayIndex(2, 1);
  // A new sensor that sorts first moves every index up by one.
  useSensors({{"new", "A First"}, {"fake.0", "Location 0"}, {"fake.1", "Location 1"}, {"fake.2", "Location 2"}});
  auto after = startedController();
  EXPECT_EQ(after->preferredSensorIndexAtDisplayIndex(0), 1);
  EXPECT_EQ(after->preferredSensorIndexAtDisplayIndex(1), 3);
}

TEST(ControllerWithoutAMachine, FindsNoHardwareInsteadOfCrashingAndHoldsNothing) {
  resetProcessState();
  os::setCurrentMachine(nullptr);
  registerSensorClasses();
  {
    PluginController controller;
    EXPECT_EQ(controller.numberOfAvailableSensors(), 0);
    EXPECT_EQ(controller.localizedStatusMessage(), "Unsupported machine") << "no model can be read";
  }
  EXPECT_EQ(os::currentMachine().heldReferenceCount(), 0u);
  resetProcessState();
}

}  // namespace
}  // namespace sw::test
