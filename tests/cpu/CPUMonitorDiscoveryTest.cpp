// Which driver services yield CPU sensors, of which variant, under which names; and blocks that
// are too short for what they claim.
#include "cpu/CPUMonitorTest.h"
#include "os/SystemLog.h"

namespace sw::test {
namespace {

using CPUMonitorDiscovery = CPUMonitorTest;

TEST_F(CPUMonitorDiscovery, onlyADriverOfVersionSevenOrLaterWithAllThreePropertiesYieldsSensors) {
  struct Case {
    const char* what;
    std::uint32_t version;
    const char* removedProperty;
    std::size_t sensors;
  };
  const Case cases[] = {
      {"version 6 publishes another layout", 6, nullptr, 0},
      {"version 7", 7, nullptr, 2},
      {"a version with the top bit set is large, not negative", 0x80000000U, nullptr, 2},
      {"no brand", 7, "CPUBrand", 0},
      {"no signature", 7, "CPUSignature", 0},
      {"no status", 7, "CPUStatus", 0},
  };
  for (const Case& c : cases) {
    CPUStatusFields fields = freshCores(2);
    fields.versionCode = c.version;
    Dictionary service = cpuMonitorService(kPenrynBrand, kPenrynSignature, fields);
    if (c.removedProperty != nullptr) service.erase(c.removedProperty);
    installServiceWith(service);
    os::CapturedLog log;
    EXPECT_EQ(monitorSensors().size(), c.sensors) << c.what;
    EXPECT_EQ(log.messages(), Texts{}) << c.what;
  }

  Dictionary textStatus = cpuMonitorService(kPenrynBrand, kPenrynSignature, freshCores(2));
  textStatus.insert_or_assign("CPUStatus", Value("not a block"));
  installServiceWith(textStatus);
  EXPECT_EQ(monitorSensors().size(), 0u) << "a status that is no data";
  EXPECT_FALSE(TKSQUORVELx86Monitor::versionCodeOfRunningDriver());
  EXPECT_TRUE(TKSQUORVELx86Monitor::isDriverLoaded()) << "loaded, though its block is unusable";
}

TEST_F(CPUMonitorDiscovery, theRunningDriverIsTheFirstServiceWithAllThreePropertiesAndABlock) {
  EXPECT_FALSE(TKSQUORVELx86Monitor::isDriverLoaded());
  EXPECT_EQ(TKSQUORVELx86Monitor::versionCodeOfRunningDriver(), 0u);
  EXPECT_FALSE(TKSQUORVELx86Monitor::systemIsAffectedByErratumAE18());

  CPUStatusFields older = freshCores(2);
  older.versionCode = 6;
  CPUStatusFields running = freshCores(3);
  running.versionCode = 9;
  running.erratumAE18 = true;
  Dictionary incomplete = cpuMonitorService(kPenrynBrand, 1760, running);
  incomplete.erase("CPUBrand");
  install(ProfileBuilder()
              .entry(kCPUMonitorClass, incomplete)
              .entry(kCPUMonitorClass, cpuMonitorService(kPenrynBrand, kPenrynSignature, running))
              .entry(kCPUMonitorClass, cpuMonitorService(kPenrynBrand, 1776, older)));
  EXPECT_EQ(TKSQUORVELx86Monitor::versionCodeOfRunningDriver(), 9u);
  EXPECT_TRUE(TKSQUORVELx86Monitor::systemIsAffectedByErratumAE18());
  EXPECT_EQ(TKSQUORVELx86Monitor::signatureOfRunningDriver(), kPenrynSignature);
  EXPECT_EQ(TKSQUORVELx86Monitor::coreCountOfRunningDriver(), 3u);
  EXPECT_EQ(monitorSensors().size(), 3u) << "the service of version 6 yields nothing";
}

TEST_F(CPUMonitorDiscovery, theSignatureWithoutItsSteppingChoosesTheVariant) {
  struct Case {
    std::uint32_t signature;
    const char* variant;
  };
  const Case cases[] = {{67190, "TKSQUORVELx86MonitorCPU67184"}, {1761, "TKSQUORVELx86MonitorCPU1760"},
                        {1791, "TKSQUORVELx86MonitorCPU1776"},   {67242, "TKSQUORVELx86MonitorCPU67232"},
                        {67301, "TKSQUORVELx86MonitorCPU67296"}, {67317, "TKSQUORVELx86MonitorCPU67312"},
                        {132690, "TKSQUORVELx86MonitorCPU132688"}, {132802, "TKSQUORVELx86MonitorCPU132800"},
                        {132775, "TKSQUORVELx86MonitorCPU132768"}, {198313, "TKSQUORVELx86MonitorCPU198304"}};
  expectTemperatureTargetWarnings();
  for (const Case& c : cases) {
    installService(kPenrynBrand, c.signature, freshCores(1));
    auto sensors = monitorSensors();
    ASSERT_EQ(sensors.size(), 1u) << c.signature;
    EXPECT_EQ(sensors[0]->className(), c.variant) << c.signature;
  }
}

TEST_F(CPUMonitorDiscovery, aProcessorWithoutVariantIsNamedInTheLogAndYieldsNothing) {
  installService("Intel(R) Pentium(R) 4 CPU 3.00GHz", 3856 + 4, freshCores(1));
  os::CapturedLog log;
  EXPECT_EQ(monitorSensors().size(), 0u);
  EXPECT_EQ(log.messages(),
            Texts{"WARNING: The current implementation has no specific code to support CPUs with signature 3860!\n"});
}

TEST_F(CPUMonitorDiscovery, locationsAreZeroFilledFromTenCoresOnAndIdentifiersCountFromZero) {
  expectTemperatureTargetWarnings();
  installService(kPenrynBrand, kPenrynSignature, freshCores(8));
  auto sensors = monitorSensors();
  ASSERT_EQ(sensors.size(), 8u);
  EXPECT_EQ(sensors[0]->uniqueIdentifier(), "quorvel.dts.0");
  EXPECT_EQ(sensors[0]->locationIdentifier(), "CPU Core 1");
  EXPECT_EQ(sensors[7]->locationIdentifier(), "CPU Core 8");
  EXPECT_EQ(sensors[7]->unifiedSensorLocation(), "T:CPU Core 8");
  sensors.clear();

  installService(kPenrynBrand, kSandyBridgeSignature, freshCores(12));
  Texts locations;
  for (const auto& sensor : monitorSensors()) locations.push_back(sensor->locationIdentifier());
  EXPECT_EQ(locations, (Texts{"CPU Core 01", "CPU Core 02", "CPU Core 03", "CPU Core 04", "CPU Core 05", "CPU Core 06",
                              "CPU Core 07", "CPU Core 08", "CPU Core 09", "CPU Core 10", "CPU Core 11", "CPU Core 12"}));
}

TEST_F(CPUMonitorDiscovery, aTemperatureSensorCarriesTheBrandAndTheFixedPointConverter) {
  expectTemperatureTargetWarnings();
  CPUStatusFields fields = freshCores(1);
  fields.frequencyReadings = true;
  installService(kPenrynBrand, kSandyBridgeSignature, fields);
  auto sensors = monitorSensors();
  ASSERT_EQ(sensors.size(), 2u) << "the frequency sensor comes after the cores";
  const auto& core = *sensors[0];
  EXPECT_EQ(std::tuple(core.sensorName(), core.sensorType(), core.quantityType(), core.precision(), core.accuracy(), core.unit()),
            std::tuple(std::string(kPenrynBrand), 1, 1, 1.0, 0.0, std::string("C")));
  const auto& clock = *sensors[1];
  EXPECT_EQ(std::tuple(clock.uniqueIdentifier(), clock.locationIdentifier(), clock.quantityType(), clock.precision(), clock.unit()),
            std::tuple(std::string("quorvel.ia32.frequency"), std::string("CPU Clock Frequency"), 13, 0.0001, std::string("MHz")));
  EXPECT_EQ(clock.unifiedSensorLocation(), std::nullopt);
  EXPECT_EQ(core.valueConverter().valueForRawSensorValue(62 << 16), 62.0);
}

TEST_F(CPUMonitorDiscovery, familyModelAndSteppingComeFromTheSignatureFields) {
  struct Case {
    std::uint32_t signature;
    int family, model, stepping;
  };
  // Extended model counts for families 6 and 15 only; the extended family only for 15.
  const Case cases[] = {{67194, 6, 23, 10}, {0x00F43, 15, 4, 3}, {0x10F43, 15, 20, 3}, {0x100F43, 16, 4, 3}, {0x10543, 5, 4, 3}};
  for (const Case& c : cases) {
    installService(kPenrynBrand, c.signature, freshCores(1));
    // Any variant decodes any signature; the entry's signature is what counts.
    auto sensor = variantOf(kPenrynSignature).createAsTemperatureSensorWithIORegistryEntryForIndexTotalCount(service(), 0, 1);
    ASSERT_TRUE(sensor);
    EXPECT_EQ(std::tuple(int{sensor->cpuFamily()}, int{sensor->cpuModel()}, int{sensor->cpuStepping()}),
              std::tuple(c.family, c.model, c.stepping))
        << c.signature;
  }
}

TEST_F(CPUMonitorDiscovery, theFrequencySensorNeedsFamilySixFromModelFourteenOn) {
  struct Case {
    std::uint32_t signature;
    bool created;
    int maximumRatio;
  };
  // Model 14 has no maximum ratio; later ones take it from record 0 (bit 31 set) or the platform word.
  const Case cases[] = {{0x6D0, false, 0}, {0xF40, false, 0}, {0x6E0, true, 0}, {0x6F0, true, 9}};
  for (const Case& c : cases) {
    CPUStatusFields fields = freshCores(1);
    fields.maximumQualifiedRatio = 9;
    fields.cores[0].maximumRatio = 12;
    installService(kPenrynBrand, c.signature, fields);
    auto sensor = variantOf(kSandyBridgeSignature).createAsFrequencySensorWithIORegistryEntry(service());
    EXPECT_EQ(sensor != nullptr, c.created) << c.signature;
    if (sensor) {
      EXPECT_EQ(sensor->maximumBusRatio(), c.maximumRatio) << c.signature;
    }
  }
  CPUStatusFields fields = freshCores(1);
  fields.maximumQualifiedRatio = 9;
  fields.cores[0].maximumRatio = 12;
  fields.cores[0].maximumRatioInStatus = true;
  installService(kPenrynBrand, 0x6F0, fields);
  EXPECT_EQ(variantOf(kSandyBridgeSignature).createAsFrequencySensorWithIORegistryEntry(service())->maximumBusRatio(), 12);
}

TEST_F(CPUMonitorDiscovery, aBlockThatClaimsMoreRecordsThanItHoldsYieldsOnlyTheRecordsItHolds) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> count;
    std::size_t cutAtEnd;
    Texts expected;
  };
  const std::string variant = "TKSQUORVELx86MonitorCPU67184";
  const Case cases[] = {
      {"two records and no turbo word", std::nullopt, 8,
       {"quorvel.dts.0 | CPU Core 1 | " + variant + " | 4390912", "quorvel.dts.1 | CPU Core 2 | " + variant + " | 4390912"}},
      {"the second record cut short", std::nullopt, 9, {"quorvel.dts.0 | CPU Core 1 | " + variant + " | 4390912"}},
      {"a count of twelve names the cores zero-filled", 12, 0,
       {"quorvel.dts.0 | CPU Core 01 | " + variant + " | 4390912", "quorvel.dts.1 | CPU Core 02 | " + variant + " | 4390912"}},
      {"a count that is negative as a signed number", 0xFFFFFFFFU, 0,
       {"quorvel.dts.0 | CPU Core 1 | " + variant + " | 4390912", "quorvel.dts.1 | CPU Core 2 | " + variant + " | 4390912"}},
      {"no record at all", 0, 0, {}},
  };
  for (const Case& c : cases) {
    CPUStatusFields fields = freshCores(2);
    fields.recordCount = c.count;
    Data block = sim::cpustatus::assemble(fields);
    block.resize(block.size() - c.cutAtEnd);
    Dictionary service = cpuMonitorService(kPenrynBrand, kPenrynSignature, fields);
    service.insert_or_assign("CPUStatus", Value(block));
    installServiceWith(service);
    EXPECT_EQ(summaries(), c.expected) << c.what;
  }
  for (std::size_t size : {0, 3, 19}) {
    Dictionary service = cpuMonitorService(kPenrynBrand, kPenrynSignature, freshCores(2));
    service.insert_or_assign("CPUStatus", Value(Data(size, 0xFF)));
    installServiceWith(service);
    EXPECT_EQ(summaries(), Texts{}) << "a block of " << size << " bytes";
  }
}

}  // namespace
}  // namespace sw::test
