// Recorded answers looked up by the command a block names, each file read with its limit.
#include "live/RecordedATADevice.h"

#include <algorithm>
#include <charconv>

#include "live/SGIODevice.h"

namespace sw::live {
namespace {

/// The file name of the command a block carries; nothing for a block that is none of ours.
std::optional<std::string> commandName(const PassThroughCDB& cdb) {
  for (auto [command, name] : {std::pair{ATACommand::Identify, "identify"},
                               std::pair{ATACommand::SMARTReadData, "smart-read-data"},
                               std::pair{ATACommand::SMARTReadThresholds, "smart-read-thresholds"},
                               std::pair{ATACommand::SMARTReturnStatus, "smart-return-status"}}) {
    if (passThroughCDB(command) == cdb) return name;
  }
  return std::nullopt;
}

class RecordedATADevice : public ATADevice {
 public:
  RecordedATADevice(std::shared_ptr<LiveFiles> files, std::string folder)
      : files_(std::move(files)), folder_(std::move(folder)) {}

  std::optional<PassThroughAnswer> passThrough(const PassThroughCDB& cdb, std::span<std::uint8_t> dataIn) override {
    const std::optional<std::string> name = commandName(cdb);
    if (!name) return std::nullopt;
    const std::string base = folder_ + "/" + *name;
    const bool hasData = files_->exists(base + ".data");
    const bool hasSense = files_->exists(base + ".sense");
    const bool hasStatus = files_->exists(base + ".status");
    if (!hasData && !hasSense && !hasStatus) return std::nullopt;
    PassThroughAnswer answer;
    if (hasData) {
      std::optional<std::string> bytes = files_->read(base + ".data", kATABlockSize);
      if (!bytes) return std::nullopt;
      answer.transferred = std::min(bytes->size(), dataIn.size());
      std::copy_n(bytes->begin(), answer.transferred, dataIn.begin());
    }
    if (hasSense) {
      std::optional<std::string> bytes = files_->read(base + ".sense", kSenseLimit);
      if (!bytes) return std::nullopt;
      answer.sense.assign(bytes->begin(), bytes->end());
    }
    if (hasStatus) {
      std::optional<std::int64_t> status = files_->readInteger(base + ".status");
      if (!status || *status < 0 || *status > 0xFF) return std::nullopt;
      answer.scsiStatus = static_cast<std::uint8_t>(*status);
    }
    return answer;
  }

 private:
  std::shared_ptr<LiveFiles> files_;
  std::string folder_;
};

}  // namespace

std::unique_ptr<ATADevice> RecordedATADeviceOpener::open(std::string_view disk) {
  if (disk.empty() || disk.find('/') != std::string_view::npos || disk.starts_with('.')) return nullptr;
  std::string folder = std::string(kRecordedATAFolder) + "/" + std::string(disk);
  if (!files_->exists(folder)) return nullptr;
  return std::make_unique<RecordedATADevice>(files_, std::move(folder));
}

std::shared_ptr<ATADeviceOpener> ataDeviceOpenerFor(const std::shared_ptr<LiveFiles>& files) {
  if (files->exists(kRecordedATAFolder)) return std::make_shared<RecordedATADeviceOpener>(files);
  return std::make_shared<SGIODeviceOpener>(files->root() / "dev");
}

}  // namespace sw::live
