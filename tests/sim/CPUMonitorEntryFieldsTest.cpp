// The profile tool's CPU-monitor fields: what they become, and the fields it refuses.
#include <gtest/gtest.h>

#include "sim/CPUMonitorEntryFields.h"
#include "sim/CPUStatusBlock.h"

namespace sw::sim {
namespace {

Dictionary sampleFields() {
  Dictionary core{{"ThermalReadout", Value::integer(55)}, {"CurrentRatio", Value::integer(8)},
                  {"HalfRatio", Value::boolean(true)}, {"BusFrequencyCode", Value::integer(-1)},
                  {"Signal", Value(Dictionary{{"Base", Value::integer(55)}})},
                  {"RatioSignal", Value(Dictionary{{"Base", Value::real(7.5)}})}};
  return {{"CPUBrand", Value("Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz")},
          {"CPUSignature", Value::integer(67194)},
          {"VersionCode", Value::integer(9)},
          {"TemperatureTarget", Value::integer(105)},
          {"TurboRatios", Value(Array{Value::integer(29), Value::integer(26)})},
          {"Cores", Value(Array{Value(core), Value(Dictionary{{"ThermalReadout", Value::integer(57)}})})}};
}

TEST(CPUMonitorEntryFields, theFieldsBecomeTheDriverEntryWithItsBlockAndSignals) {
  auto entry = cpuMonitorEntryFromFields(Value(sampleFields()));
  ASSERT_TRUE(std::holds_alternative<Dictionary>(entry)) << std::get<std::string>(entry);
  const Dictionary& properties = std::get<Dictionary>(entry);

  cpustatus::BlockFields block;
  block.versionCode = 9;
  block.temperatureTarget = 105;
  block.turboRatios = std::vector<std::uint8_t>{29, 26};
  block.cores = {{.thermalReadout = 55, .currentRatio = 8, .halfRatio = true, .busFrequencyCode = ~0ULL},
                 {.thermalReadout = 57}};
  EXPECT_EQ(properties.at("CPUStatus"), Value(cpustatus::assemble(block)));
  EXPECT_EQ(properties.at("IOObjectClass"), Value("com_quorvel_driver_QUORVELx86Monitoring"));
  EXPECT_EQ(properties.at("CPUSignature"), Value::integer(67194));
  EXPECT_EQ(properties.at("@Driver"), Value("CPUMonitor"));
  EXPECT_EQ(properties.at("@Signals"),
            Value(Dictionary{{"CPUStatus.Core0.ThermalReadout", Value(Dictionary{{"Base", Value::integer(55)}})},
                             {"CPUStatus.Core0.CurrentRatio", Value(Dictionary{{"Base", Value::real(7.5)}})}}));
}

TEST(CPUMonitorEntryFields, fieldsOfTheWrongKindOrBeyondTheirBitsAreRefusedByName) {
  struct Case {
    const char* key;
    Value value;
    std::string message;
  };
  const Case cases[] = {
      {"CPUBrand", Value::integer(1), "fields: CPUBrand must be a string"},
      {"CPUSignature", Value::integer(-1), "fields: CPUSignature must lie between 0 and 4294967295"},
      {"MaximumQualifiedRatio", Value::integer(32), "fields: MaximumQualifiedRatio must lie between 0 and 31"},
      {"FrequencyReadings", Value::integer(1), "fields: FrequencyReadings must be a boolean"},
      {"TurboRatios", Value(Array(9, Value::integer(1))), "fields/TurboRatios: must be an array of at most 8 ratios"},
      {"TurboRatios", Value(Array{Value::integer(256)}), "fields/TurboRatios/0: Ratio must lie between 0 and 255"},
      {"Cores", Value(Array{Value("core")}), "fields/Cores/0: must be a dictionary"},
      {"Cores", Value(Array{Value(Dictionary{{"CurrentRatio", Value::real(8.5)}})}),
       "fields/Cores/0: CurrentRatio must be an integer"},
      {"Cores", Value(Array{Value(Dictionary{{"Thermal", Value::integer(8)}})}), "fields/Cores/0: unknown core field \"Thermal\""},
      {"Cores", Value(Array{Value(Dictionary{{"Signal", Value(Dictionary{})}})}),
       "fields/Cores/0/Signal: a signal needs a Base"},
      {"Tjmax", Value::integer(100), "fields: unknown field \"Tjmax\""},
  };
  for (const Case& c : cases) {
    Dictionary fields = sampleFields();
    fields.insert_or_assign(c.key, c.value);
    auto entry = cpuMonitorEntryFromFields(Value(fields));
    ASSERT_TRUE(std::holds_alternative<std::string>(entry)) << c.message;
    EXPECT_EQ(std::get<std::string>(entry), c.message);
  }
  EXPECT_EQ(std::get<std::string>(cpuMonitorEntryFromFields(Value(Array{}))), "fields: must be a dictionary");
}

}  // namespace
}  // namespace sw::sim
