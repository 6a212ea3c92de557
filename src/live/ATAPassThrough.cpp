// Building ATA PASS-THROUGH (16) blocks and reading what comes back, every read of the sense
// bytes bounded by what the kernel wrote.
#include "live/ATAPassThrough.h"

#include <algorithm>

namespace sw::live {
namespace {

constexpr std::uint8_t kPassThrough16 = 0x85;
// Byte 1: the protocol in bits 4–1.
constexpr std::uint8_t kProtocolNonData = 3 << 1;
constexpr std::uint8_t kProtocolPIODataIn = 4 << 1;
// Byte 2: CK_COND (bit 5), T_DIR from the device (bit 3), length in blocks (bit 2), the
// length in the count field (bits 1–0 = 2).
constexpr std::uint8_t kCheckCondition = 0x20;
constexpr std::uint8_t kBlocksFromDevice = 0x08 | 0x04 | 0x02;

constexpr std::uint8_t kIdentifyDevice = 0xEC;
constexpr std::uint8_t kSMART = 0xB0;
constexpr std::uint8_t kReadData = 0xD0;
constexpr std::uint8_t kReadThresholds = 0xD1;
constexpr std::uint8_t kReturnStatus = 0xDA;
// The S.M.A.R.T. commands carry this key in LBA mid and high; RETURN STATUS answers with it
// unchanged for a good drive and with its complement for an exceeded threshold.
constexpr std::uint8_t kKeyMid = 0x4F, kKeyHigh = 0xC2;
constexpr std::uint8_t kExceededMid = 0xF4, kExceededHigh = 0x2C;

// ATA status bits that mean the command failed: ERR and DF (device fault).
constexpr std::uint8_t kStatusError = 0x01, kStatusDeviceFault = 0x20;

constexpr std::uint8_t kGood = 0x00;
constexpr std::uint8_t kCheckConditionStatus = 0x02;
constexpr std::uint8_t kNoSense = 0x0, kRecoveredError = 0x1;
constexpr std::uint16_t kDriverErrorMask = 0x07;

constexpr std::uint8_t kATAStatusReturnDescriptor = 0x09;
constexpr std::size_t kDescriptorLength = 14;
constexpr std::uint8_t kPassThroughInformationASCQ = 0x1D;

std::uint8_t senseKey(std::span<const std::uint8_t> sense) {
  if (sense.empty()) return kNoSense;
  const std::uint8_t form = sense[0] & 0x7F;
  if ((form == 0x72 || form == 0x73) && sense.size() > 1) return sense[1] & 0x0F;
  if ((form == 0x70 || form == 0x71) && sense.size() > 2) return sense[2] & 0x0F;
  return 0xFF;  // a form nobody defined: not merely information
}

std::optional<ATARegisters> fromDescriptors(std::span<const std::uint8_t> sense) {
  if (sense.size() < 8) return std::nullopt;
  // The descriptors end where the sense bytes say or where the bytes written end, whichever is first.
  const std::size_t end = std::min<std::size_t>(sense.size(), 8 + std::size_t{sense[7]});
  for (std::size_t at = 8; at + 2 <= end;) {
    const std::size_t length = 2 + std::size_t{sense[at + 1]};
    if (at + length > end) return std::nullopt;
    if (sense[at] == kATAStatusReturnDescriptor && length >= kDescriptorLength) {
      const std::uint8_t* d = sense.data() + at;
      return ATARegisters{d[3], d[5], d[7], d[9], d[11], d[12], d[13]};
    }
    at += length;
  }
  return std::nullopt;
}

std::optional<ATARegisters> fromFixedForm(std::span<const std::uint8_t> sense) {
  // The information field holds ERROR, STATUS, DEVICE, COUNT; the command-specific field the LBA.
  if (sense.size() < 14 || sense[7] < 6 || sense[12] != 0x00 || sense[13] != kPassThroughInformationASCQ) {
    return std::nullopt;
  }
  return ATARegisters{sense[3], sense[6], sense[11], sense[10], sense[9], sense[5], sense[4]};
}

}  // namespace

PassThroughCDB passThroughCDB(ATACommand command) {
  PassThroughCDB cdb{};
  cdb[0] = kPassThrough16;
  if (readsBlock(command)) {
    cdb[1] = kProtocolPIODataIn;
    cdb[2] = kBlocksFromDevice;
    cdb[6] = 1;  // one block
  } else {
    cdb[1] = kProtocolNonData;
    cdb[2] = kCheckCondition;
  }
  if (command == ATACommand::Identify) {
    cdb[14] = kIdentifyDevice;
    return cdb;
  }
  cdb[4] = command == ATACommand::SMARTReadData         ? kReadData
           : command == ATACommand::SMARTReadThresholds ? kReadThresholds
                                                        : kReturnStatus;
  cdb[10] = kKeyMid;
  cdb[12] = kKeyHigh;
  cdb[14] = kSMART;
  return cdb;
}

bool readsBlock(ATACommand command) { return command != ATACommand::SMARTReturnStatus; }

std::optional<ATARegisters> returnedRegisters(std::span<const std::uint8_t> sense) {
  if (sense.empty()) return std::nullopt;
  const std::uint8_t form = sense[0] & 0x7F;
  if (form == 0x72 || form == 0x73) return fromDescriptors(sense);
  if (form == 0x70 || form == 0x71) return fromFixedForm(sense);
  return std::nullopt;
}

bool commandSucceeded(ATACommand command, const PassThroughAnswer& answer) {
  if (answer.hostStatus != 0 || (answer.driverStatus & kDriverErrorMask) != 0) return false;
  if (answer.sense.size() > kSenseLimit) return false;
  if (answer.scsiStatus == kCheckConditionStatus) {
    const std::uint8_t key = senseKey(answer.sense);
    if (key != kNoSense && key != kRecoveredError) return false;
  } else if (answer.scsiStatus != kGood) {
    return false;
  }
  if (auto registers = returnedRegisters(answer.sense)) {
    if ((registers->status & (kStatusError | kStatusDeviceFault)) != 0) return false;
  }
  return !readsBlock(command) || answer.transferred == kATABlockSize;
}

std::optional<bool> thresholdExceeded(const PassThroughAnswer& answer) {
  if (!commandSucceeded(ATACommand::SMARTReturnStatus, answer)) return std::nullopt;
  const std::optional<ATARegisters> registers = returnedRegisters(answer.sense);
  if (!registers) return std::nullopt;
  if (registers->lbaMid == kKeyMid && registers->lbaHigh == kKeyHigh) return false;
  if (registers->lbaMid == kExceededMid && registers->lbaHigh == kExceededHigh) return true;
  return std::nullopt;
}

}  // namespace sw::live
