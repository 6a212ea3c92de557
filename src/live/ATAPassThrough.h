// The ATA commands the S.M.A.R.T. client needs, as the kernel's SCSI layer carries them: the
// 16-byte ATA PASS-THROUGH command block, the outcome of one exchange (SCSI status, transport
// status, sense bytes, bytes transferred) and the ATA registers a translating layer returns in
// the sense data, which is where the answer of SMART RETURN STATUS comes back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sw::live {

/// The blocks of IDENTIFY DEVICE and of the S.M.A.R.T. reads.
inline constexpr std::size_t kATABlockSize = 512;
/// The most sense bytes asked for and kept.
inline constexpr std::size_t kSenseLimit = 32;

enum class ATACommand { Identify, SMARTReadData, SMARTReadThresholds, SMARTReturnStatus };

using PassThroughCDB = std::array<std::uint8_t, 16>;

/// The command block of one command: the three reads move one 512-byte block from the device;
/// RETURN STATUS moves none and asks for the registers back (CK_COND).
PassThroughCDB passThroughCDB(ATACommand command);
/// Whether the command moves a 512-byte block from the device.
bool readsBlock(ATACommand command);

/// What the kernel reports for one exchange.
struct PassThroughAnswer {
  std::uint8_t scsiStatus = 0;    // 0 GOOD, 2 CHECK CONDITION, …
  std::uint16_t hostStatus = 0;   // 0: the adapter delivered the command
  std::uint16_t driverStatus = 0; // low three bits: a driver error; 0x08: sense data follows
  std::vector<std::uint8_t> sense;  // the sense bytes written, at most kSenseLimit
  std::size_t transferred = 0;    // bytes that arrived in the data buffer
};

/// The ATA registers after a command, the low bytes of each.
struct ATARegisters {
  std::uint8_t error = 0;
  std::uint8_t count = 0;
  std::uint8_t lbaLow = 0;
  std::uint8_t lbaMid = 0;
  std::uint8_t lbaHigh = 0;
  std::uint8_t device = 0;
  std::uint8_t status = 0;
};

/// The registers returned in sense data, in the descriptor form (an ATA Status Return
/// descriptor) or the fixed form (ATA pass-through information available); nothing when the
/// sense bytes hold neither or are cut short.
std::optional<ATARegisters> returnedRegisters(std::span<const std::uint8_t> sense);

/// Whether the device carried the command out: the transport and the driver report no error,
/// the SCSI status is GOOD or a CHECK CONDITION that only carries information, the returned ATA
/// status (when there is one) shows no error, and a read delivered its whole block.
bool commandSucceeded(ATACommand command, const PassThroughAnswer& answer);

/// The answer of SMART RETURN STATUS: true when a threshold is exceeded, false when the drive is
/// good, nothing when the command failed or the registers hold neither signature.
std::optional<bool> thresholdExceeded(const PassThroughAnswer& answer);

}  // namespace sw::live
