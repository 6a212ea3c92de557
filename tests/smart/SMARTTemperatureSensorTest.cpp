// The disk temperature sensor: its identity, the access throttle, the plausibility retries and
// the disk saver, against simulated disks whose answers the tests change as they go.
#include <gtest/gtest.h>

#include "os/Clock.h"
#include "os/SystemLog.h"
#include "sensors/TKSSensor.h"
#include "sim/SMARTDrive.h"
#include "smart/SMARTTestMachine.h"
#include "smart/TKSSMARTTemperatureSensor.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

class SMARTTemperatureSensors : public SimulatedMachineTest {
 protected:
  /// One SATA disk at 40 degrees and, unless told otherwise, a user idle for 10 seconds.
  std::shared_ptr<TKSSMARTTemperatureSensor> sensorOnDisk(std::optional<Value> idleTime = idleSeconds(10),
                                                          ProfileBuilder profile = ProfileBuilder()) {
    addDisk(profile, DiskDescription{.attributes = {packedTemperature(40)}});
    if (idleTime) addHIDSystem(profile, *idleTime);
    install(profile);
    SensorList sensors = TKSSMARTTemperatureSensor::allSensors();
    EXPECT_EQ(sensors.size(), 1u);
    return sensors.empty() ? nullptr : std::static_pointer_cast<TKSSMARTTemperatureSensor>(sensors.front());
  }
  sim::SMARTDrive& drive() { return *machine().smartDrives().front(); }
  /// The disk reports this temperature (-1: every read of it fails) from now on.
  void diskReads(int celsius) {
    if (celsius == -1) {
      drive().failing.insert(sim::SMARTOperation::Data);
      return;
    }
    drive().failing.erase(sim::SMARTOperation::Data);
    drive().attributes[0].raw[0] = static_cast<std::uint8_t>(celsius);
  }

  os::ManualClock clock_;
  os::CapturedLog log_;
};

TEST_F(SMARTTemperatureSensors, ASensorIsNamedAfterItsDiskAndADiskWithoutTemperatureGetsNone) {
  auto sensor = sensorOnDisk();
  ASSERT_NE(sensor, nullptr);
  EXPECT_EQ(std::tuple(sensor->uniqueIdentifier(), sensor->locationIdentifier(), sensor->sensorName(), sensor->sensorType(),
                       sensor->quantityType(), sensor->precision(), sensor->unit(), sensor->rawValue()),
            std::tuple(std::string("smart.Hitachi HTS545025B9SA02.091022PBN40017DSMTHE"),
                       std::string("SMART Disk Hitachi HTS545025B9SA02 (091022PBN40017DSMTHE)"),
                       std::string("S.M.A.R.T. Hard Disk Sensor"), 1, TKSQuantityTemperature, 1.0, std::string("C"), 40));
  EXPECT_EQ(sensor->sourceDevice()->productName(), "Hitachi HTS545025B9SA02");
  sensor.reset();  // it holds the disk of the machine that is replaced below

  ProfileBuilder profile;
  addDisk(profile, DiskDescription{.attributes = {smartAttribute(9, Value::integer(100))}});
  install(profile);
  EXPECT_TRUE(TKSSMARTTemperatureSensor::allSensors().empty());
  EXPECT_EQ(TKSSMARTTemperatureSensor::createWithSMARTStorageDevice(nullptr), nullptr);
}

TEST_F(SMARTTemperatureSensors, TheDiskIsReadAtMostOncePerAccessInterval) {
  auto sensor = sensorOnDisk();
  const std::uint64_t atCreation = drive().commandsReceived;
  diskReads(45);
  clock_.advance(59.9);
  EXPECT_EQ(sensor->rawValue(), 40) << "the value measured at creation";
  EXPECT_EQ(drive().commandsReceived, atCreation);
  clock_.advance(0.1);
  EXPECT_EQ(sensor->rawValue(), 45);
  EXPECT_EQ(drive().commandsReceived, atCreation + 1);
  sensor->setDiskAccessInterval(5);
  diskReads(46);
  EXPECT_EQ(sensor->rawValue(), 45) << "the next time was set with the old interval";
  clock_.advance(60);
  EXPECT_EQ(sensor->rawValue(), 46);
  clock_.advance(5);
  diskReads(47);
  EXPECT_EQ(sensor->rawValue(), 47);
  sensor->setDiskAccessInterval(0xFFFFFFFF);  // the next time saturates instead of wrapping into the past
  clock_.advance(5);
  EXPECT_EQ(sensor->rawValue(), 47);
  diskReads(48);
  clock_.advance(1e6);
  EXPECT_EQ(sensor->rawValue(), 47);
}

TEST_F(SMARTTemperatureSensors, AJumpOfMoreThan15DegreesIsDistrustedAndReadAgainAtOnce) {
  auto sensor = sensorOnDisk();
  clock_.advance(60);
  diskReads(56);
  EXPECT_EQ(sensor->rawValue(), 40) << "16 degrees up";
  const std::uint64_t afterJump = drive().commandsReceived;
  diskReads(55);
  EXPECT_EQ(sensor->rawValue(), 55) << "15 degrees up, read again without waiting";
  EXPECT_EQ(drive().commandsReceived, afterJump + 1);
  EXPECT_EQ(sensor->rawValue(), 55);
  EXPECT_EQ(drive().commandsReceived, afterJump + 1) << "an accepted read restarts the interval";
  clock_.advance(60);
  diskReads(39);
  EXPECT_EQ(sensor->rawValue(), 55) << "16 degrees down";
}

TEST_F(SMARTTemperatureSensors, ADiskThatStartsFailingKeepsItsValueThroughElevenRetriesAndThenHasNone) {
  auto sensor = sensorOnDisk();
  clock_.advance(60);
  diskReads(-1);
  for (int read = 1; read <= 11; ++read) EXPECT_EQ(sensor->rawValue(), 40) << "read " << read;
  EXPECT_EQ(sensor->rawValue(), -1) << "the twelfth is believed";
  EXPECT_EQ(sensor->rawValue(), -1) << "and cached";
  clock_.advance(60);
  diskReads(40);
  EXPECT_EQ(sensor->rawValue(), -1) << "40 after -1 is itself a jump of 41";
}

TEST_F(SMARTTemperatureSensors, TheTraceSwitchLogsCreationAndEverySuspiciousRead) {
  ProfileBuilder profile;
  profile.defaults("TraceSMARTTemperatures", Value::boolean(true));
  auto sensor = sensorOnDisk(idleSeconds(10), profile);
  clock_.advance(60);
  diskReads(60);
  sensor->rawValue();
  diskReads(-1);
  sensor->rawValue();
  EXPECT_EQ(log_.messages(),
            (Texts{"Enabled trace mode for S.M.A.R.T. temperature sensors ---\n",
                   "Tracing access to S.M.A.R.T. temperature values of device 'Hitachi HTS545025B9SA02', serial numer "
                   "'091022PBN40017DSMTHE'.\n",
                   "*** S.M.A.R.T. device problem detected when accessing temperature sensor (0 retries):\n",
                   "*** Reason: not trusting the value 60. Previous value was 40.\n",
                   "*** S.M.A.R.T. device problem detected when accessing temperature sensor (1 retries):\n",
                   "*** Reason: the device did not return a value. Device error or bus access blocked.\n"}));
}

TEST_F(SMARTTemperatureSensors, TheDebugSwitchLogsTheScanAndEverySensorFound) {
  ProfileBuilder profile;
  profile.defaults("DebugSMARTAccess", Value("YES"));
  auto sensor = sensorOnDisk(idleSeconds(10), profile);
  const Texts& messages = log_.messages();
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(messages.front(), "Enabled debug mode for S.M.A.R.T. temperature access ---\n");
  EXPECT_EQ(messages[messages.size() - 2], "   Sensor detected successfully: " + sensor->description() + "\n");
  EXPECT_EQ(messages.back(), "Analysis of S.M.A.R.T. temperature sensors completed ---\n");
}

TEST_F(SMARTTemperatureSensors, TheDiskSaverStopsReadsOnlyWhenTheUserIsIdleLongerThanItsInterval) {
  struct Case {
    const char* what;
    std::optional<Value> idleTime;
    std::uint32_t diskSaver;
    bool diskRead;
    int byteOrder = 0;  // 0: the profile's own
    Texts log = {};
  };
  // Idle time as 8 bytes is in the machine's byte order: 687 s as a big-endian word on a PowerPC,
  // 2.7 s read the other way round.
  const Value bigEndian687(Data{0x00, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x00});
  const Case cases[] = {
      {"idle 601 s, saver 600 s", idleSeconds(601), 600, false},
      {"idle exactly 600 s", idleSeconds(600), 600, true},
      {"a fraction above", Value::integer(600'000'000'001), 600, false},
      {"saver off", idleSeconds(100000), 0, true},
      {"idle time 0", Value::integer(0), 600, true},
      {"idle time as little-endian data", Value(Data{0x00, 0x3A, 0x64, 0xEE, 0x8B, 0x00, 0x00, 0x00}), 600, false},
      {"data of another length", Value(Data{0, 0, 0, 0}), 600, true, 0,
       {"HID subsystem entry does not contain expected class (is NSData).\n"}},
      {"no HID system", std::nullopt, 600, true, 0, {"Found 0 entries for the HID subsystem, ignoring all...\n"}},
      {"data on a big-endian machine", bigEndian687, 600, false, 4321},
      {"the same data on a little-endian machine", bigEndian687, 600, true, 1234},
      {"an idle time of another kind", Value("1000000000000"), 600, true, 0,
       {"HID subsystem entry does not contain expected class (is NSString).\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProfileBuilder profile;
    if (c.byteOrder != 0) profile.sysctl("hw.byteorder", c.byteOrder);
    os::CapturedLog log;
    auto sensor = sensorOnDisk(c.idleTime, profile);
    sensor->setDiskSaverInterval(c.diskSaver);
    clock_.advance(60);
    diskReads(41);
    const std::uint64_t before = drive().commandsReceived;
    EXPECT_EQ(sensor->rawValue(), c.diskRead ? 41 : -1);
    EXPECT_EQ(drive().commandsReceived - before, c.diskRead ? 1u : 0u);
    EXPECT_EQ(log.messages(), c.log);
  }
}

TEST_F(SMARTTemperatureSensors, AnyNumberOfHIDSystemsButOneIsLoggedAtEveryReadingAndNeverHoldsTheDisk) {
  ProfileBuilder profile;
  addHIDSystem(profile, idleSeconds(1000));
  auto sensor = sensorOnDisk(idleSeconds(1000), profile);
  sensor->setDiskSaverInterval(600);
  EXPECT_EQ(sensor->rawValue(), 40);
  EXPECT_EQ(sensor->rawValue(), 40);
  EXPECT_EQ(log_.messages(), (Texts(2, "Found 2 entries for the HID subsystem, ignoring all...\n")));
}

TEST_F(SMARTTemperatureSensors, DiscoveryWithoutTheDisksLeavesTheDiskClassOut) {
  sensorOnDisk();
  TKSSensor::resetClassList();
  TKSSensor::createClassList();
  TKSSensor::registerSensorClass(TKSSMARTTemperatureSensor::sensorClass());
  EXPECT_EQ(TKSSensor::allSensors().size(), 1u);
  EXPECT_TRUE(TKSSensor::allNonSMARTSensors().empty());
}

}  // namespace
}  // namespace sw::test
