// A disk's @SMART as a profile gives it (a property list whose root is the description): it is
// refused with a reason or read into a drive whose blocks are whole and checksummed.
#include <numeric>

#include "foundation/PropertyListSerialization.h"
#include "fuzz/FuzzInput.h"
#include "sim/ProfileError.h"
#include "sim/SMARTDrive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<sw::Value> description =
      sw::PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(data, size));
  if (!description) return 0;
  try {
    const sw::sim::SMARTDrive drive = sw::sim::SMARTDrive::parse(*description, "@SMART");
    for (const sw::sim::ATABlock& block : {drive.dataBlock(), drive.thresholdBlock()}) {
      sw::fuzz::require(std::accumulate(block.begin(), block.end(), std::uint8_t{0}) == 0, "a block adds up to 0");
    }
    (void)drive.identifyBlock();
  } catch (const sw::sim::ProfileError& error) {
    sw::fuzz::require(!error.problem().empty(), "a refused description says why");
  }
  return 0;
}
