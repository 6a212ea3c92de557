// ATA PASS-THROUGH (16) blocks and the kernel's answers, against the byte layouts of the SCSI /
// ATA translation: command blocks byte for byte, registers out of both sense forms, and every
// answer that must count as a failure.
#include <gtest/gtest.h>

#include "live/ATAPassThrough.h"

namespace sw::live {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ATAPassThrough, CommandBlocksCarryProtocolDirectionFeatureAndKey) {
  const struct {
    ATACommand command;
    PassThroughCDB bytes;
  } cases[] = {
      // PIO data-in, one 512-byte block from the device, count 1, IDENTIFY DEVICE.
      {ATACommand::Identify, {0x85, 0x08, 0x0E, 0, 0x00, 0, 1, 0, 0, 0, 0x00, 0, 0x00, 0, 0xEC, 0}},
      // The S.M.A.R.T. reads: feature D0/D1, the key 4F/C2 in LBA mid and high, command B0.
      {ATACommand::SMARTReadData, {0x85, 0x08, 0x0E, 0, 0xD0, 0, 1, 0, 0, 0, 0x4F, 0, 0xC2, 0, 0xB0, 0}},
      {ATACommand::SMARTReadThresholds, {0x85, 0x08, 0x0E, 0, 0xD1, 0, 1, 0, 0, 0, 0x4F, 0, 0xC2, 0, 0xB0, 0}},
      // Non-data with CK_COND, so that the registers come back in the sense data.
      {ATACommand::SMARTReturnStatus, {0x85, 0x06, 0x20, 0, 0xDA, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0, 0xB0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(passThroughCDB(c.command), c.bytes) << static_cast<int>(c.command);
}

// Descriptor-form sense with one ATA Status Return descriptor.
Bytes descriptorSense(std::uint8_t key, std::uint8_t mid, std::uint8_t high, std::uint8_t status = 0x50) {
  return {0x72, key, 0x00, 0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0x00, 0x00, 0, 0, 0, 0, 0, mid, 0, high, 0x40, status};
}

// Fixed-form sense: ERROR, STATUS, DEVICE, COUNT in the information field, LBA high/mid/low after
// it; the response code with its VALID bit, as the kernel's ATA layer writes it by default.
Bytes fixedSense(std::uint8_t key, std::uint8_t mid, std::uint8_t high, std::uint8_t ascq = 0x1D) {
  return {0xF0, 0x00, key, 0x00, 0x50, 0x40, 0x00, 10, 0x00, high, mid, 0x00, 0x00, ascq, 0, 0, 0, 0};
}

PassThroughAnswer statusAnswer(Bytes sense, std::uint8_t scsiStatus = 0x02) {
  PassThroughAnswer answer;
  answer.scsiStatus = scsiStatus;
  answer.sense = std::move(sense);
  return answer;
}

TEST(ATAPassThrough, ReturnStatusIsReadFromEitherSenseFormAndAnythingElseIsNoAnswer) {
  // A sense-key-specific descriptor (02h, eight bytes) before the ATA one.
  Bytes precededByInformation = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 22, 0x02, 0x06, 0, 0, 0x80, 0, 0, 0};
  const Bytes ata = descriptorSense(0x01, 0xF4, 0x2C);
  precededByInformation.insert(precededByInformation.end(), ata.begin() + 8, ata.end());
  Bytes lyingLength = descriptorSense(0x01, 0x4F, 0xC2);
  lyingLength[7] = 200;  // more than was written: only the written bytes are looked at
  Bytes cutShort = descriptorSense(0x01, 0x4F, 0xC2);
  cutShort.resize(18);
  Bytes descriptorTooShort = descriptorSense(0x01, 0x4F, 0xC2);
  descriptorTooShort[9] = 0x02;  // a two-byte descriptor of code 09 holds no registers
  PassThroughAnswer transportError = statusAnswer(descriptorSense(0x01, 0x4F, 0xC2));
  transportError.hostStatus = 0x07;
  PassThroughAnswer driverError = statusAnswer(descriptorSense(0x01, 0x4F, 0xC2));
  driverError.driverStatus = 0x08 | 0x04;
  PassThroughAnswer senseFlagOnly = statusAnswer(descriptorSense(0x01, 0x4F, 0xC2));
  senseFlagOnly.driverStatus = 0x08;

  const struct {
    const char* what;
    PassThroughAnswer answer;
    std::optional<bool> exceeded;
  } cases[] = {
      {"descriptor form, good drive", statusAnswer(descriptorSense(0x01, 0x4F, 0xC2)), false},
      {"descriptor form, threshold exceeded", statusAnswer(descriptorSense(0x01, 0xF4, 0x2C)), true},
      {"descriptor form with NO SENSE", statusAnswer(descriptorSense(0x00, 0x4F, 0xC2)), false},
      {"fixed form, good drive", statusAnswer(fixedSense(0x01, 0x4F, 0xC2)), false},
      {"fixed form, threshold exceeded", statusAnswer(fixedSense(0x01, 0xF4, 0x2C)), true},
      {"ATA descriptor after another one", statusAnswer(precededByInformation), true},
      {"only the driver's sense flag", senseFlagOnly, false},
      {"additional length beyond the bytes written", statusAnswer(lyingLength), false},
      {"descriptor cut off by the sense length", statusAnswer(cutShort), std::nullopt},
      {"descriptor too short for the registers", statusAnswer(descriptorTooShort), std::nullopt},
      {"fixed form without pass-through information", statusAnswer(fixedSense(0x01, 0x4F, 0xC2, 0x00)), std::nullopt},
      {"neither signature", statusAnswer(descriptorSense(0x01, 0x00, 0x00)), std::nullopt},
      {"ABORTED COMMAND", statusAnswer(descriptorSense(0x0B, 0x4F, 0xC2)), std::nullopt},
      {"ATA status with ERR", statusAnswer(descriptorSense(0x01, 0x4F, 0xC2, 0x51)), std::nullopt},
      {"ATA status with device fault", statusAnswer(descriptorSense(0x01, 0x4F, 0xC2, 0x70)), std::nullopt},
      {"GOOD without registers", statusAnswer({}, 0x00), std::nullopt},
      {"CHECK CONDITION without sense", statusAnswer({}), std::nullopt},
      {"unknown sense form", statusAnswer({0x7F, 0x01, 0x00, 0x1D, 0, 0, 0, 0}), std::nullopt},
      {"BUSY", statusAnswer(descriptorSense(0x01, 0x4F, 0xC2), 0x08), std::nullopt},
      {"transport error", transportError, std::nullopt},
      {"driver error", driverError, std::nullopt},
      {"more sense than asked for", statusAnswer(Bytes(kSenseLimit + 1, 0x72)), std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(thresholdExceeded(c.answer), c.exceeded) << c.what;
}

TEST(ATAPassThrough, AReadCountsOnlyWithItsWholeBlockAndNoErrorReported) {
  PassThroughAnswer whole;
  whole.transferred = kATABlockSize;
  PassThroughAnswer shortBlock = whole;
  shortBlock.transferred = kATABlockSize - 1;
  PassThroughAnswer aborted = statusAnswer(descriptorSense(0x0B, 0, 0, 0x51));
  aborted.transferred = kATABlockSize;
  PassThroughAnswer informational = statusAnswer(descriptorSense(0x01, 0x4F, 0xC2));
  informational.transferred = kATABlockSize;
  const struct {
    const char* what;
    PassThroughAnswer answer;
    bool succeeded;
  } cases[] = {
      {"whole block", whole, true},
      {"one byte short", shortBlock, false},
      {"nothing arrived", PassThroughAnswer{}, false},
      {"block with an aborted command", aborted, false},
      {"block with information only", informational, true},
  };
  for (const auto& c : cases) EXPECT_EQ(commandSucceeded(ATACommand::SMARTReadData, c.answer), c.succeeded) << c.what;
}

}  // namespace
}  // namespace sw::live
