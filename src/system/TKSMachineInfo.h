// The facts about the computer that other parts need, gathered once per process: processor
// counts, types and frequencies, caches, memory, model, serial number, system versions, boot ROM,
// computer name, hardware UUID and 64-bit capabilities.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/PortCoder.h"
#include "foundation/Value.h"

namespace sw {

class TKSMachineInfo : public std::enable_shared_from_this<TKSMachineInfo> {
 public:
  /// Every gathered fact, in gathering and archiving order.
  struct Facts {
    std::uint32_t numberOfCPUs = 0;
    std::uint32_t numberOfActiveCPUs = 0;
    std::uint32_t numberOfPhysicalCPUs = 0;
    std::int32_t cpuType = 0;
    std::int32_t cpuSubType = 0;
    std::int32_t cpuVersion = 0;
    std::uint64_t cpuFreq = 0;
    std::uint64_t cpuFreqMin = 0;
    std::uint64_t cpuFreqMax = 0;
    std::uint64_t cpuFreqNom = 0;
    std::int32_t cpuSpeedFeature = 0;
    std::uint64_t fsbFreq = 0;
    std::uint64_t fsbFreqMin = 0;
    std::uint64_t fsbFreqMax = 0;
    std::uint32_t l1InstructionCacheSize = 0;
    std::uint32_t l1DataCacheSize = 0;
    std::uint32_t l2CacheSize = 0;
    std::uint32_t l3CacheSize = 0;
    bool opsAltiVec = false;
    std::uint64_t memorySize = 0;
    std::int32_t osVersionCode = 0;
    std::string appleModelCode;
    std::string machineSerialNumber;
    std::string osReadableVersion;
    std::string osVersionNumber;
    std::string osReadableBuild;
    std::string osKernelVersion;
    std::string osKernelVersionNumber;
    std::string bootROMVersion;
    std::string computerName;
    std::string machineUUID;
    bool is64BitCapable = false;
    bool isRunning64BitKernel = false;

    bool operator==(const Facts&) const = default;
  };

  /// Values of cpuFrequencyVariabilityFeature.
  enum SpeedFeature : std::int32_t { kNoSpeedFeature = 0, kReduceProcessorSpeed = 1, kDynamicPowerStep = 2 };

  /// The shared instance, gathered on first use.
  static std::shared_ptr<TKSMachineInfo> sharedMachineInfo();
  static std::string fallBackSerialNumberPrefix() { return "ZZZNOSERIAL"; }

  /// Gathers every fact from the current machine.
  TKSMachineInfo();
  /// An instance holding given facts, as a decoded archive does.
  explicit TKSMachineInfo(Facts facts) : facts_(std::move(facts)) {}

  // Each out-pointer may be null.
  void getNumberOfCPUsActivePhysical(std::uint32_t* cpus, std::uint32_t* active, std::uint32_t* physical) const;
  void getCPUTypeSubType(std::int32_t* type, std::int32_t* subType) const;
  std::int32_t cpuVersionCode() const { return facts_.cpuVersion; }
  void getCPUFrequencyMinimumMaximum(std::uint64_t* current, std::uint64_t* minimum, std::uint64_t* maximum) const;
  void getFSBFrequencyMinimumMaximum(std::uint64_t* current, std::uint64_t* minimum, std::uint64_t* maximum) const;
  std::uint64_t nominalCPUFrequency() const { return facts_.cpuFreqNom; }
  /// Live queries of "hw.cpufrequency" / "hw.busfrequency"; 0 on failure.
  static std::uint64_t currentCPUFrequency();
  static std::uint64_t currentFSBFrequency();
  std::int32_t cpuFrequencyVariabilityFeature() const { return facts_.cpuSpeedFeature; }
  /// Data cache size first, instruction cache size second.
  void getL1CacheSizeDataInstructions(std::uint32_t* data, std::uint32_t* instructions) const;
  std::uint32_t l2CacheSize() const { return facts_.l2CacheSize; }
  std::uint32_t l3CacheSize() const { return facts_.l3CacheSize; }
  bool supportsAltiVec() const { return facts_.opsAltiVec; }
  std::uint64_t memorySize() const { return facts_.memorySize; }
  std::int32_t operatingSystemVersionCode() const { return facts_.osVersionCode; }
  bool is64BitCapable() const { return facts_.is64BitCapable; }
  bool isRunning64BitKernel() const { return facts_.isRunning64BitKernel; }

  std::string appleModelCode() const { return facts_.appleModelCode; }
  /// Never empty: the platform's serial number, else one made from the primary network
  /// interface's address, else "ZZZNOSERIAL".
  std::string machineSerialNumber() const { return facts_.machineSerialNumber; }
  std::string readableOperatingSystemVersion() const { return facts_.osReadableVersion; }
  std::string readableOperatingSystemNumber() const { return facts_.osVersionNumber; }
  std::string readableOperatingSystemBuild() const { return facts_.osReadableBuild; }
  std::string readableKernelVersion() const { return facts_.osKernelVersion; }
  std::string readableKernelVersionNumber() const { return facts_.osKernelVersionNumber; }
  std::string bootROMVersion() const { return facts_.bootROMVersion; }
  std::string computerName() const { return facts_.computerName; }
  std::string machineUUID() const { return facts_.machineUUID; }

  const Facts& facts() const { return facts_; }

  /// The estimated week of manufacture decoded from the serial number; nothing when the serial
  /// number cannot be decoded.
  std::optional<Date> estimatedProductionDate() const;

  std::string description() const;

  /// Sequential archive: the fields in order with fixed types.
  void encodeWithCoder(SequentialEncoder& coder) const;
  /// Nothing when the archive is truncated or holds items of other types.
  static std::shared_ptr<TKSMachineInfo> createWithCoder(SequentialDecoder& coder);
  /// Keyed archive: a dictionary under the coding keys.
  Dictionary encodeWithKeyedCoder() const;
  /// Nothing when a key is missing or holds a value of the wrong kind.
  static std::shared_ptr<TKSMachineInfo> createWithKeyedCoder(const Dictionary& archive);
  /// A proxy when the coder asks for a reference, else the object itself (sent by copy).
  PortReplacement<TKSMachineInfo> replacementObjectForPortCoder(const PortCoder& coder) const;

  /// The kernel version number inside a kernel version text ("9.8.0" of "Darwin Kernel Version
  /// 9.8.0: ..."); "" when the text starts with a digit or holds none.
  static std::string kernelVersionNumber(const std::string& kernelVersion);

 private:
  Facts facts_;
};

}  // namespace sw
