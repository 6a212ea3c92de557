// What each processor-model variant does differently: junction maxima, frequencies, the server
// models' hot indicators and the two switches, limits and turbo frequencies.
#include "cpu/CPUMonitorTest.h"
#include "cpu/TKSQUORVELx86MonitorVariants.h"
#include "os/SystemLog.h"

namespace sw::test {
namespace {

class CPUMonitorVariants : public CPUMonitorTest {
 protected:
  /// The sensors of a service with these fields.
  std::vector<CPUMonitorSensor> sensorsOf(std::uint32_t signature, const CPUStatusFields& fields,
                                          const std::string& brand = kPenrynBrand) {
    installService(brand, signature, fields);
    return monitorSensors();
  }
};

TEST_F(CPUMonitorVariants, theModel23MaximumFollowsTheModelName) {
  struct Case {
    const char* brand;
    int maximum;
  };
  const Case cases[] = {
      {"Intel(R) Core(TM)2 Quad CPU    Q9550  @ 2.83GHz", 100}, {"Intel(R) Core(TM)2 Extreme CPU X9100  @ 3.06GHz", 105},
      {"Intel(R) Core(TM)2 Extreme CPU QX9650  @ 3.00GHz", 95}, {"Intel(R) Core(TM)2 Extreme CPU QX9770  @ 3.20GHz", 85},
      {"Intel(R) Core(TM)2 Duo CPU     E7200  @ 2.53GHz", 100}, {"Intel(R) Core(TM)2 Quad CPU    Q8200  @ 2.33GHz", 100},
      {"Intel(R) Core(TM)2 Duo CPU E8400 3.00GHz", 105},  // no model name without "@"
  };
  for (const Case& c : cases) {
    auto sensor = sensorsOf(kPenrynSignature, freshCores(1, {.thermalReadout = 30}), c.brand).at(0);
    EXPECT_EQ(sensor->maximumJunctionTemperature(), c.maximum) << c.brand;
    EXPECT_EQ(sensor->rawValue(), (c.maximum - 30) << 16) << c.brand;
    EXPECT_EQ(sensor->sensorLimitsArray(), (Array{Value::integer(c.maximum), Value::integer(0)})) << c.brand;
  }
}

TEST_F(CPUMonitorVariants, laterModelsTakeTheTemperatureTargetOrSayTheyCannotAndUseOneHundred) {
  CPUStatusFields fields = freshCores(2, {.thermalReadout = 30});
  fields.temperatureTarget = 95;
  fields.lowJunctionMaximum = true;  // the target wins over the older flag
  os::CapturedLog log;
  auto sensors = sensorsOf(kSandyBridgeSignature, fields);
  EXPECT_EQ(sensors.at(1)->rawValue(), 65 << 16);
  EXPECT_EQ(sensors[1]->sensorLimitsArray(), (Array{Value::integer(95), Value::integer(0)}));
  EXPECT_EQ(log.messages(), Texts{});

  fields.temperatureTarget.reset();
  sensors.clear();  // before their machine goes
  sensors = sensorsOf(kSandyBridgeSignature, fields);
  EXPECT_EQ(sensors.at(1)->rawValue(), 70 << 16);
  EXPECT_EQ(log.messages(),
            (Texts{"TKSQUORVELx86MonitorCPU132768: WARNING: could not determine temperature target (processor core 0)!\n",
                   "TKSQUORVELx86MonitorCPU132768: WARNING: could not determine temperature target (processor core 1)!\n"}));
}

TEST_F(CPUMonitorVariants, theOldestModelsUseTheLowMaximumFlag) {
  for (std::uint32_t signature : {1760u, 1776u}) {
    CPUStatusFields fields = freshCores(1, {.thermalReadout = 30});
    EXPECT_EQ(sensorsOf(signature, fields).at(0)->maximumJunctionTemperature(), 100) << signature;
    fields.lowJunctionMaximum = true;
    EXPECT_EQ(sensorsOf(signature, fields).at(0)->maximumJunctionTemperature(), 85) << signature;
  }
}

TEST_F(CPUMonitorVariants, eachVariantDecodesTheFrequencyOfItsOwnBusCodesAndRatios) {
  struct Case {
    std::uint32_t signature;
    std::uint8_t ratio;
    bool half;
    std::uint64_t code;
    double megahertz;
  };
  const Case cases[] = {
      {1760, 9, false, 1, 9 * 133.33},   {1760, 9, false, 5, 900.0},
      {1760, 9, false, 2, 0.0},          // 200 MHz elsewhere, not on model 14
      {1760, 9, false, 0x100000001, 0.0},  // the whole word must match
      {1776, 9, false, 3, 9 * 166.67},   {1776, 10, false, 3, 0.0},  // above the maximum ratio 9
      {1776, 9, false, 0, 9 * 266.67},   {1776, 9, false, 6, 0.0},
      {1776, 9, false, 0x100000003, 9 * 166.67},  // only the low 32 bits count
      {67184, 8, true, 1, 8.5 * 133.33}, {67184, 8, false, 6, 8 * 400.0},
      {67184, 8, false, 7, 0.0},         {67184, 8, false, 0xFFFFFFFF00000002, 8 * 200.0},
      {67232, 8, false, 1, 0.0},         {198304, 16, false, 5, 0.0},  // not decoded from model 26 on
  };
  for (const Case& c : cases) {
    CPUStatusFields fields = freshCores(1);
    fields.maximumQualifiedRatio = 9;
    installService(kPenrynBrand, c.signature, fields);
    auto sensor = variantOf(c.signature).createAsFrequencySensorWithIORegistryEntry(service());
    if (!sensor) sensor = variantOf(c.signature).createAsTemperatureSensorWithIORegistryEntryForIndexTotalCount(service(), 0, 1);
    CPUCoreStatusRecord record{.performanceStatus = std::uint64_t{c.ratio} << 8 | (c.half ? 1ULL << 14 : 0), .busFrequencyCode = c.code};
    EXPECT_DOUBLE_EQ(sensor->frequencyForStatusRecord(&record), c.megahertz) << c.signature << " code " << c.code;
    EXPECT_EQ(sensor->frequencyForStatusRecord(nullptr), 0.0);
  }
}

TEST_F(CPUMonitorVariants, model23ReadsItsFrequencyOnlyWhenSwitchedOnWhateverTheSwitchHolds) {
  CPUStatusFields fields = freshCores(1, {.thermalReadout = 38, .currentRatio = 8, .halfRatio = true, .busFrequencyCode = 1});
  fields.frequencyReadings = true;
  EXPECT_EQ(sensorsOf(kPenrynSignature, fields).size(), 1u) << "no frequency sensor without the switch";

  install(ProfileBuilder()
              .entry(kCPUMonitorClass, cpuMonitorService(kPenrynBrand, kPenrynSignature, fields))
              .defaults("EnableFrequencyReadingsForCPU10670", Value::integer(0)));
  auto sensors = monitorSensors();
  ASSERT_EQ(sensors.size(), 2u);
  EXPECT_EQ(sensors[1]->rawValue(), 74272276) << "1133.305 MHz in 16.16, truncated";
  EXPECT_EQ(sensors[1]->sensorLimitsArray(), std::nullopt);
}

TEST_F(CPUMonitorVariants, model23ServerProcessorsReportHotIndicatorsUnlessTemperaturesAreSwitchedOn) {
  const std::string xeon = "Intel(R) Xeon(R) CPU           E5440  @ 2.83GHz";
  CPUStatusFields fields = freshCores(12);
  const std::int32_t readouts[] = {5, 9, 10, 0};
  for (std::size_t core = 0; core < 4; ++core) fields.cores[core].thermalReadout = readouts[core];
  auto sensors = sensorsOf(kPenrynSignature, fields, xeon);
  ASSERT_EQ(sensors.size(), 12u);
  const auto& hot = *sensors[0];
  EXPECT_EQ(std::tuple(hot.uniqueIdentifier(), hot.locationIdentifier(), hot.quantityType(), hot.precision(), hot.accuracy(),
                       hot.sensorType(), hot.sensorName()),
            std::tuple(std::string("quorvel.dtscritical.0"), std::string("CPU Core 1 Hot"), 11, 1.0, 1.0, 1, xeon));
  EXPECT_EQ(sensors[11]->locationIdentifier(), "CPU Core 12 Hot") << "never zero-filled";
  EXPECT_EQ(hot.sensorLimitsArray(), std::nullopt);
  std::vector<std::int32_t> readings;
  for (std::size_t core = 0; core < 4; ++core) readings.push_back(sensors[core]->rawValue());
  EXPECT_EQ(readings, (std::vector<std::int32_t>{65536, 65536, 0, -1})) << "hot within 9 degrees of the maximum";
  sensors.clear();

  for (const Value& setting : {Value::boolean(false), Value("")}) {
    install(ProfileBuilder()
                .entry(kCPUMonitorClass, cpuMonitorService(xeon, kPenrynSignature, fields))
                .defaults("EnableCoreTempReadingsForXeon10670", setting));
    EXPECT_EQ(monitorSensors().at(0)->uniqueIdentifier(), "quorvel.dts.0") << setting.description();
  }
}

TEST_F(CPUMonitorVariants, turboFrequenciesListTheNonZeroRatiosUpToTheVariantsCoreCount) {
  expectTemperatureTargetWarnings();
  struct Case {
    std::uint32_t signature;
    std::vector<std::uint8_t> ratios;
    std::vector<std::int64_t> hertz;
  };
  const Case cases[] = {
      {132775, {12, 12, 11, 0}, {1200000000, 1200000000, 1100000000}},
      {198313, {28, 26}, {2800000000, 2600000000}},
      {67242, {10, 0, 9, 9, 9}, {1333333330, 1199999997, 1199999997}},  // four cores at most
      {132802, {22, 22, 21, 21, 21, 21, 20, 20},
       {2933333326, 2933333326, 2799999993, 2799999993, 2799999993, 2799999993}},  // six
  };
  for (const Case& c : cases) {
    CPUStatusFields fields = freshCores(2);
    fields.turboRatios = c.ratios;
    Array expected;
    for (std::int64_t frequency : c.hertz) expected.push_back(Value::integer(frequency));
    EXPECT_EQ(sensorsOf(c.signature, fields).at(0)->turboBoostFrequenciesArray(), expected) << c.signature;
  }

  CPUStatusFields fields = freshCores(2);
  EXPECT_EQ(sensorsOf(132775, fields).at(0)->turboBoostFrequenciesArray(), std::nullopt) << "flag bit 5 clear";
  EXPECT_EQ(sensorsOf(kPenrynSignature, fields).at(0)->turboBoostFrequenciesArray(), std::nullopt) << "no turbo before model 26";
  fields.turboRatios = std::vector<std::uint8_t>{12};
  Data cut = sim::cpustatus::assemble(fields);
  cut.pop_back();
  Dictionary service = cpuMonitorService(kPenrynBrand, 132775, fields);
  service.insert_or_assign("CPUStatus", Value(cut));
  installServiceWith(service);
  EXPECT_EQ(monitorSensors().at(0)->turboBoostFrequenciesArray(), std::nullopt) << "a word the block does not hold whole";
}

}  // namespace
}  // namespace sw::test
