// A fresh process for each widget test: a simulated machine of a chosen model, an empty defaults
// directory, fixed-width text, English, and sensors the test describes.
#pragma once

#include <gtest/gtest.h>

#include "foundation/ProcessState.h"
#include "os/TextMeasurer.h"
#include "os/Bundle.h"
#include "os/TemporaryDirectory.h"
#include "os/UserDefaults.h"
#include "support/ProfileBuilder.h"
#include "support/SecondPropertyListReader.h"
#include "widget/PluginController.h"

namespace sw::test {

/// A sensor whose every answer the test sets.
class FakeSensor : public TKSSensor {
 public:
  struct Traits {
    std::string uniqueIdentifier;
    std::string location;
    std::int32_t quantityType = TKSQuantityTemperature;
    std::int32_t rawValue = 0;
    std::string unit = "C";
    double precision = 0.0;
  };

  explicit FakeSensor(Traits traits) : traits_(std::move(traits)) {
    setUniqueIdentifier(traits_.uniqueIdentifier);
    setLocationIdentifier(traits_.location);
    setQuantityType(traits_.quantityType);
    setPrecisionAccuracy(traits_.precision, 0.0);
  }
  std::string className() const override { return "FakeSensor"; }
  std::int32_t rawValue() override { return traits_.rawValue; }
  std::string unit() const override { return traits_.unit; }

 private:
  Traits traits_;
};

class WidgetTestMachine : public ::testing::Test {
 protected:
  static constexpr const char* kSerialNumber = "W80000000000";  // the test profile's
  static constexpr const char* kPluginDomain = "org.sensorwidget.plugin";

  void SetUp() override { useMachine("MacBookPro5,5"); }
  void TearDown() override {
    expectOtherReaderAgreesOnEveryPlist(defaultsDirectory_.path());
    resetProcessState();
  }

  /// Starts a fresh process on a machine of the model, with no sensor class registered.
  void useMachine(const std::string& model) {
    auto machine = ProfileBuilder().sysctl("hw.model", model).buildMachine();
    ASSERT_NE(machine, nullptr);
    resetProcessState();
    os::setCurrentMachine(machine);
    os::setDefaultsDirectory(defaultsDirectory_.path());
    os::setCurrentLocale("en_US");
    os::setTextMeasurer(std::make_shared<os::FixedWidthTextMeasurer>());
    TKSSensor::resetClassList();
  }

  /// Makes these the machine's sensors, in discovery order; the controller sorts them.
  void useSensors(std::vector<FakeSensor::Traits> sensorTraits) {
    sensors_.clear();
    for (auto& traits : sensorTraits) sensors_.push_back(std::make_shared<FakeSensor>(std::move(traits)));
    TKSSensor::resetClassList();
    TKSSensor::registerSensorClass({"FakeSensor", [this] { return SensorList(sensors_.begin(), sensors_.end()); }});
  }

  /// n temperature sensors "fake.0" … at locations "Location 0" …, in that order.
  void useTemperatureSensors(int count) {
    std::vector<FakeSensor::Traits> sensorTraits;
    for (int i = 0; i < count; ++i) sensorTraits.push_back({"fake." + std::to_string(i), "Location " + std::to_string(i)});
    useSensors(std::move(sensorTraits));
  }

  /// A controller of instance "w1", its settings read.
  std::unique_ptr<PluginController> startedController() {
    auto controller = std::make_unique<PluginController>();
    controller->setWidgetIdentifier("w1");
    return controller;
  }

  std::optional<Dictionary> storedDomain() {
    return os::UserDefaults::standardUserDefaults().persistentDomainForName(kPluginDomain);
  }
  /// Stores the plug-in's domain: this machine's entry beside the other keys given.
  void storeDomain(Value machine, Dictionary domain = {}) {
    domain[kSerialNumber] = std::move(machine);
    ASSERT_TRUE(os::UserDefaults::standardUserDefaults().setPersistentDomainForName(domain, kPluginDomain));
  }
  /// This machine's dictionary in the stored domain; empty when there is none.
  Dictionary storedMachineDictionary() {
    const auto domain = storedDomain();
    const Value* machine = domain ? valueForKey(*domain, kSerialNumber) : nullptr;
    return machine && machine->asDictionary() ? *machine->asDictionary() : Dictionary{};
  }

  os::testing::TemporaryDirectory defaultsDirectory_;
  std::vector<std::shared_ptr<FakeSensor>> sensors_;
};

}  // namespace sw::test
