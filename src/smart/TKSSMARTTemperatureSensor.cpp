// Disk temperature sensors: discovery over the S.M.A.R.T. disks, the access throttle, the
// plausibility retries and the disk saver.
#include "smart/TKSSMARTTemperatureSensor.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "os/Bundle.h"
#include "os/Clock.h"
#include "os/SystemLog.h"
#include "os/UserDefaults.h"
#include "smart/UserIdleTime.h"

namespace sw {
namespace {

// A disk's temperature changes slowly: a bigger step between two reads is taken for a bad read.
constexpr std::int32_t kLargestPlausibleStep = 15;
// Suspicious reads answered from the cache before one is believed; the next one is accepted.
constexpr std::uint8_t kMaximumRetries = 10;
constexpr double kNanosecondsPerSecond = 1e9;

struct Switches {
  bool debug = false;
  bool trace = false;
};
Switches& switches() {
  static ProcessWide<Switches> flags;
  return flags.get();
}

std::uint32_t& diskSaverOfNewSensors() {
  static ProcessWide<std::uint32_t> seconds;
  return seconds.get();
}

std::int32_t currentSecond() { return clampToInt32(std::floor(os::currentTime())); }

void trace(const std::string& message) {
  if (switches().trace) os::systemLog(message);
}

}  // namespace

void TKSSMARTTemperatureSensor::setDiskSaverIntervalOfNewSensors(std::uint32_t seconds) {
  diskSaverOfNewSensors() = seconds;
}

SensorList TKSSMARTTemperatureSensor::allSensors() {
  os::UserDefaults& defaults = os::UserDefaults::standardUserDefaults();
  Switches& flags = switches();
  flags.debug = defaults.objectForKey("DebugSMARTAccess").has_value();
  flags.trace = defaults.objectForKey("TraceSMARTTemperatures").has_value();
  if (flags.debug) {
    os::systemLog("Enabled debug mode for S.M.A.R.T. temperature access ---\n");
    TKSSMARTStorageDevice::setDebugMode(true);
  }
  if (flags.trace) os::systemLog("Enabled trace mode for S.M.A.R.T. temperature sensors ---\n");
  SensorList sensors;
  for (auto& device : TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(true)) {
    auto sensor = createWithSMARTStorageDevice(std::move(device));
    if (!sensor) continue;
    if (flags.debug) os::systemLog(stringWithFormat("   Sensor detected successfully: %@\n", sensor->description()));
    sensors.push_back(std::move(sensor));
  }
  if (flags.debug) os::systemLog("Analysis of S.M.A.R.T. temperature sensors completed ---\n");
  return sensors;
}

std::shared_ptr<TKSSMARTTemperatureSensor> TKSSMARTTemperatureSensor::createWithSMARTStorageDevice(
    std::shared_ptr<TKSSMARTStorageDevice> device) {
  if (!device) return nullptr;
  auto sensor = std::make_shared<TKSSMARTTemperatureSensor>();
  sensor->setQuantityType(TKSQuantityTemperature);
  sensor->diskSaverInterval_ = diskSaverOfNewSensors();
  const std::int32_t now = currentSecond();
  sensor->temperatureCache_ = device->temperature();
  sensor->nextMinimumAccessTime_ = sensor->nextAccessTimeAfter(now);
  if (sensor->temperatureCache_ == -1) return nullptr;
  const std::string product = device->productName();
  const std::string serial = device->serialNumber();
  os::Bundle& host = os::Bundle::mainBundle();
  sensor->smartDevice_ = std::move(device);
  sensor->setUniqueIdentifier(stringWithFormat("smart.%@.%@", product, serial));
  sensor->setLocationIdentifier(stringWithFormat(host.localizedStringForKey("SMART Disk %@ (%@)", "", ""), product, serial));
  sensor->setSensorName(host.localizedStringForKey("S.M.A.R.T. Hard Disk Sensor", "", ""));
  sensor->setSensorType(1);
  sensor->setPrecisionAccuracy(1.0, 0.0);
  trace(stringWithFormat("Tracing access to S.M.A.R.T. temperature values of device '%@', serial numer '%@'.\n",
                         product, serial));
  return sensor;
}

bool TKSSMARTTemperatureSensor::diskSaverHolds() const {
  const std::uint64_t idleTime = smart::userIdleTime();
  if (idleTime == 0 || diskSaverInterval_ == 0) return false;
  const double idleSeconds = static_cast<double>(idleTime) / kNanosecondsPerSecond;
  const double interval = static_cast<double>(diskSaverInterval_);
  if (!(idleSeconds > interval)) return false;
  trace(stringWithFormat("*** rejecting access to S.M.A.R.T. value: disk saver is enabled (%f) and user was idle for (%f).\n",
                         interval, idleSeconds));
  return true;
}

std::int32_t TKSSMARTTemperatureSensor::nextAccessTimeAfter(std::int32_t now) const {
  const std::int64_t next = std::int64_t{now} + diskAccessInterval_;
  return static_cast<std::int32_t>(std::min<std::int64_t>(next, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t TKSSMARTTemperatureSensor::rawValue() {
  if (diskSaverHolds()) return -1;
  const std::int32_t now = currentSecond();
  if (now < nextMinimumAccessTime_) return temperatureCache_;
  const std::int32_t reading = smartDevice_->temperature();
  nextMinimumAccessTime_ = nextAccessTimeAfter(now);
  // In 64 bits: a garbage reading minus the cache must not overflow.
  const bool suspicious = reading == -1 || std::llabs(std::int64_t{reading} - temperatureCache_) > kLargestPlausibleStep;
  if (suspicious) {
    trace(stringWithFormat("*** S.M.A.R.T. device problem detected when accessing temperature sensor (%u retries):\n",
                           numberOfRetries_));
    trace(reading == -1 ? std::string("*** Reason: the device did not return a value. Device error or bus access blocked.\n")
                        : stringWithFormat("*** Reason: not trusting the value %d. Previous value was %d.\n", reading,
                                           temperatureCache_));
    if (numberOfRetries_ <= kMaximumRetries) {
      ++numberOfRetries_;
      nextMinimumAccessTime_ = now;
      return temperatureCache_;
    }
  }
  numberOfRetries_ = 0;
  temperatureCache_ = reading;
  return reading;
}

}  // namespace sw
