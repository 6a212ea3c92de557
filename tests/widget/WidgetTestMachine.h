// A fresh process for each widget test: a simulated machine of a chosen model and serial number,
// an empty defaults directory, fixed-width text, English, and sensors the test describes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "foundation/ProcessState.h"
#include "foundation/Value.h"
#include "os/Bundle.h"
#include "os/Machine.h"
#include "os/TextMeasurer.h"
#include "os/UserDefaults.h"
#include "sensors/TKSSensor.h"
#include "sim/SimulatedMachine.h"
#include "widget/PluginController.h"

namespace sw::test {

/// A sensor whose every answer the test sets.
class FakeSensor : public TKSSensor {
 public:
  struct Spec {
    std::string uniqueIdentifier;
    std::string location;
    std::int32_t quantityType = TKSQuantityTemperature;
    std::int32_t rawValue = 0;
    std::string unit = "C";
    double precision = 0.0;
    double linearFactor = 1.0;  // 1.0 keeps the identity conversion
  };

  explicit FakeSensor(Spec spec) : spec_(std::move(spec)) {
    setUniqueIdentifier(spec_.uniqueIdentifier);
    setLocationIdentifier(spec_.location);
    setQuantityType(spec_.quantityType);
    setPrecisionAccuracy(spec_.precision, 0.0);
  }
  std::string className() const override { return "FakeSensor"; }
  std::int32_t rawValue() override {
    ++reads;
    return spec_.rawValue;
  }
  std::string unit() const override { return spec_.unit; }
  TKSSensorValueConverter valueConverter() const override {
    TKSSensorValueConverter converter;
    if (spec_.linearFactor != 1.0) {
      converter.setConversionFunctionType(TKSSensorValueConverter::kLinear);
      converter.setLinearFactor(spec_.linearFactor);
    }
    return converter;
  }

  int reads = 0;

 private:
  Spec spec_;
};

class WidgetTestMachine : public ::testing::Test {
 protected:
  static constexpr const char* kSerialNumber = "W8812345ABC";
  static constexpr const char* kPluginDomain = "org.sensorwidget.plugin";

  void SetUp() override {
    defaultsDirectory_ = std::filesystem::temp_directory_path() /
                         ("widget-test-" + std::to_string(::getpid()) + "-" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(defaultsDirectory_);
    std::filesystem::create_directories(defaultsDirectory_);
    useMachine("MacBookPro5,5");
  }

  void TearDown() override {
    os::setTextMeasurer(nullptr);
    resetProcessState();
    std::filesystem::remove_all(defaultsDirectory_);
  }

  /// Starts a fresh process on a machine of the model: the shared machine information is
  /// gathered afresh and no sensor class is registered.
  void useMachine(const std::string& model, const std::string& serialNumber = kSerialNumber) {
    Dictionary expert{{"IOObjectClass", Value("IOPlatformExpertDevice")},
                      {"IOPlatformSerialNumber", Value(serialNumber)}};
    Dictionary root{{"IOObjectClass", Value("IORegistryEntry")},
                    {"IORegistryEntryName", Value("Root")},
                    {"IORegistryEntryChildren", Value(Array{Value(expert)})}};
    Dictionary profile{{"ProfileName", Value("widget test")},
                       {"Sysctl", Value(Dictionary{{"hw.model", Value(model)}})},
                       {"IORegistry", Value(root)}};
    auto loaded = sim::SimulatedMachine::load(Value(profile), "widget test");
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<sim::SimulatedMachine>>(loaded))
        << std::get<std::string>(loaded);
    resetProcessState();
    os::setCurrentMachine(std::get<std::shared_ptr<sim::SimulatedMachine>>(loaded));
    os::setDefaultsDirectory(defaultsDirectory_);
    os::setCurrentLocale("en_US");
    os::setTextMeasurer(std::make_shared<os::FixedWidthTextMeasurer>());
    TKSSensor::resetClassList();
  }

  /// Makes these the machine's sensors, in discovery order; the controller sorts them.
  void useSensors(std::vector<FakeSensor::Spec> specs) {
    sensors_.clear();
    for (auto& spec : specs) sensors_.push_back(std::make_shared<FakeSensor>(std::move(spec)));
    TKSSensor::resetClassList();
    TKSSensor::registerSensorClass({"FakeSensor", [this] { return SensorList(sensors_.begin(), sensors_.end()); }});
  }

  /// n temperature sensors "fake.0" … at locations "Location 0" …, in that order.
  void useTemperatureSensors(int count) {
    std::vector<FakeSensor::Spec> specs;
    for (int i = 0; i < count; ++i) {
      specs.push_back({"fake." + std::to_string(i), "Location " + std::to_string(i)});
    }
    useSensors(std::move(specs));
  }

  std::optional<Dictionary> storedDomain() {
    return os::UserDefaults::standardUserDefaults().persistentDomainForName(kPluginDomain);
  }
  void storeDomain(const Dictionary& domain) {
    ASSERT_TRUE(os::UserDefaults::standardUserDefaults().setPersistentDomainForName(domain, kPluginDomain));
  }
  /// This machine's dictionary in the stored domain; empty when there is none.
  Dictionary storedMachineDictionary() {
    const auto domain = storedDomain();
    if (!domain) return {};
    auto found = domain->find(kSerialNumber);
    return found == domain->end() || !found->second.asDictionary() ? Dictionary{} : *found->second.asDictionary();
  }

  std::filesystem::path defaultsDirectory_;
  std::vector<std::shared_ptr<FakeSensor>> sensors_;
};

}  // namespace sw::test
