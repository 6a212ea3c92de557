// The kernel's report of one ATA pass-through exchange (status bytes, bytes moved, sense data):
// read without leaving the sense bytes, and a drive status only ever from a whole, error-free
// answer that carries one of the two signatures.
#include "fuzz/FuzzInput.h"
#include "live/ATAPassThrough.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sw::live;
  sw::fuzz::FuzzInput input(data, size);
  const auto command = static_cast<ATACommand>(input.takeByte() % 4);
  PassThroughAnswer answer;
  answer.scsiStatus = input.takeByte();
  answer.hostStatus = input.takeByte();
  answer.driverStatus = input.takeByte();
  answer.transferred = input.takeByte() | (std::size_t{input.takeByte()} << 8);
  const std::string_view sense = input.takeRest();
  answer.sense.assign(sense.begin(), sense.end());

  const bool succeeded = commandSucceeded(command, answer);
  sw::fuzz::require(!succeeded || (answer.hostStatus == 0 && answer.sense.size() <= kSenseLimit),
                    "a command succeeds only with a clean transport and bounded sense");
  sw::fuzz::require(!succeeded || !readsBlock(command) || answer.transferred == kATABlockSize,
                    "a read succeeds only with its whole block");
  if (const std::optional<bool> exceeded = thresholdExceeded(answer)) {
    const std::optional<ATARegisters> registers = returnedRegisters(answer.sense);
    sw::fuzz::require(registers.has_value(), "a drive status comes from returned registers");
    const bool good = registers->lbaMid == 0x4F && registers->lbaHigh == 0xC2;
    const bool bad = registers->lbaMid == 0xF4 && registers->lbaHigh == 0x2C;
    sw::fuzz::require(*exceeded ? bad : good, "the status follows the signature");
  }
  return 0;
}
