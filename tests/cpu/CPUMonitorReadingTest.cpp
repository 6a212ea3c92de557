// Readings of the CPU monitor: the refresh throttle shared by all its sensors, stale records, the
// record the frequency comes from, and the short model name.
#include "cpu/CPUMonitorTest.h"
#include "foundation/ByteOrder.h"
#include "os/IOKit.h"

namespace sw::test {
namespace {

class CPUMonitorReading : public CPUMonitorTest {
 protected:
  static Data currentBlock() { return *os::IORegistryEntryCreateCFProperty(service()->ioKitHandle(), "CPUStatus")->asData(); }
};

std::uint32_t stampOfRecord(const Data& block, std::size_t index) { return loadLittleEndian32(&block[20 + 36 * index]); }


TEST_F(CPUMonitorReading, theDriverIsAskedToRefreshAtMostOncePerSecondForAllSensorsTogether) {
  installService(kPenrynBrand, kPenrynSignature, freshCores(2, {.timeStamp = 0, .thermalReadout = 38}), true);
  auto sensors = monitorSensors();
  ASSERT_EQ(sensors.size(), 2u);
  EXPECT_EQ(sensors[0]->rawValue(), 67 << 16) << "105 - 38 for a P7550";
  EXPECT_EQ(stampOfRecord(currentBlock(), 1), 1'700'000'000u) << "the driver refreshed every record";

  // Put the stamps back to 0 behind the throttle's back: only a new request refreshes them.
  CPUStatusFields unstamped = freshCores(2);
  unstamped.cores = identicalCores(2, {.timeStamp = 0, .thermalReadout = 38});
  os::IORegistryEntrySetCFProperty(service()->ioKitHandle(), "CPUStatus", Value(sim::cpustatus::assemble(unstamped)));
  clock_.advance(0.9);
  sensors[1]->rawValue();
  EXPECT_EQ(stampOfRecord(currentBlock(), 0), 0u) << "another sensor in the same second asks nothing";
  clock_.advance(0.1);
  sensors[1]->rawValue();
  EXPECT_EQ(stampOfRecord(currentBlock(), 0), 1'700'000'001u);
}

TEST_F(CPUMonitorReading, aRecordOlderThanTwelveSecondsPerCoreAndElapsedSecondIsStale) {
  // Two cores: a record may be 24 seconds old per second since the sensor's last reading.
  const std::uint32_t start = 1'000'000'000;  // room for 2^30 seconds more in a signed 32-bit second
  struct Case {
    const char* what;
    double secondsToNextReading;
    std::uint32_t recordAge;  // at the second reading
    bool stale;
  };
  const Case cases[] = {
      {"within one second the test is skipped", 0.5, 1'000'000, false},
      {"one second: 24 s is the limit", 1, 24, false},
      {"one second: 25 s is too old", 1, 25, true},
      {"two seconds: 48 s", 2, 48, false},
      // 2^30 s x 2 cores x 12 wraps to 0 in 32 bits: the limit is gone.
      {"a limit that wraps to 0", 1 << 30, 1'000'000, false},
  };
  for (const Case& c : cases) {
    clock_.set(start);
    installService(kPenrynBrand, kPenrynSignature, freshCores(2));
    auto sensor = monitorSensors().at(0);
    ASSERT_EQ(sensor->rawValue(), 67 << 16) << c.what;
    clock_.advance(c.secondsToNextReading);
    const auto now = static_cast<std::uint32_t>(clock_.now());
    CPUStatusFields aged = freshCores(2);
    aged.cores[0].timeStamp = now - c.recordAge;
    os::IORegistryEntrySetCFProperty(service()->ioKitHandle(), "CPUStatus", Value(sim::cpustatus::assemble(aged)));
    EXPECT_EQ(sensor->rawValue(), c.stale ? -1 : 67 << 16) << c.what;
  }
}

TEST_F(CPUMonitorReading, theFrequencyComesFromTheFirstOfTheNewestRecords) {
  struct Case {
    std::vector<std::uint32_t> stamps;
    std::int32_t megahertz;  // ratio 6, 7, 8 by record at 133.33 MHz; 0: no reading
  };
  const Case cases[] = {{{0, 500, 500}, 933}, {{700, 500, 900}, 1066}, {{0, 0, 0}, 0}, {{1, 0, 0}, 799}};
  for (const Case& c : cases) {
    CPUStatusFields fields;
    fields.frequencyReadings = true;
    for (std::uint8_t ratio = 6; ratio <= 8; ++ratio) {
      fields.cores.push_back({.timeStamp = c.stamps[ratio - 6], .thermalReadout = 38, .currentRatio = ratio, .busFrequencyCode = 1});
    }
    install(ProfileBuilder()
                .entry(kCPUMonitorClass, cpuMonitorService(kPenrynBrand, kPenrynSignature, fields))
                .defaults("EnableFrequencyReadingsForCPU10670", Value::boolean(false)));
    auto sensor = monitorSensors().back();
    ASSERT_EQ(sensor->quantityType(), TKSQuantityFrequency);
    const std::int32_t raw = sensor->rawValue();
    EXPECT_EQ(raw == -1 ? 0 : raw >> 16, c.megahertz) << c.stamps[0] << ", " << c.stamps[1] << ", " << c.stamps[2];
  }
}

TEST_F(CPUMonitorReading, aCoreWithoutThermalReadingOrAVanishedRecordReadsNothing) {
  CPUStatusFields fields = freshCores(2);
  fields.cores[1].thermalReadout = 0;
  installService(kPenrynBrand, kPenrynSignature, fields);
  auto sensors = monitorSensors();
  EXPECT_EQ(sensors[1]->rawValue(), -1) << "0 means no reading, not the junction maximum";

  CPUStatusFields fewer = freshCores(1);
  os::IORegistryEntrySetCFProperty(service()->ioKitHandle(), "CPUStatus", Value(sim::cpustatus::assemble(fewer)));
  EXPECT_EQ(sensors[1]->rawValue(), -1) << "the driver now counts one core";
  os::IORegistryEntrySetCFProperty(service()->ioKitHandle(), "CPUStatus", Value("gone"));
  EXPECT_EQ(sensors[0]->rawValue(), -1);
}

TEST_F(CPUMonitorReading, theDisplayNameIsTheLastWordBeforeTheAt) {
  struct Case {
    const char* brand;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {"Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz", "E8400"},
      {"Genuine Intel(R) CPU T2500 @ 2.00GHz", "T2500"},
      {"Intel(R) Xeon(R) CPU\t X5650\t@ 2.67GHz", "X5650"},
      {"Intel(R) Core(TM)2 CPU\u00A0QX9650 @ 3.00GHz", "QX9650"},  // a no-break space separates too
      {"Intel(R) Core(TM) i5-2415M CPU 2.30GHz", std::nullopt},     // no "@"
      {"   QX9770   @ 3.20GHz", std::nullopt},                      // one word only
      {"  @ 3.20GHz", std::nullopt},
      {"@", std::nullopt},
  };
  for (const Case& c : cases) {
    installService(c.brand, kPenrynSignature, freshCores(1));
    EXPECT_EQ(monitorSensors().at(0)->cpuDisplayName(), c.name) << c.brand;
  }
}

}  // namespace
}  // namespace sw::test
