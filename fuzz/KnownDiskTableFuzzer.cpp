// The known-disk table as a data file gives it: any bytes read into rows, each of which has a
// name of at most 256 characters and can be matched against a model number.
#include "foundation/TextEncoding.h"
#include "fuzz/FuzzInput.h"
#include "os/SystemLog.h"
#include "smart/TKSKnownSMARTHardDisk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::os::CapturedLog quiet;
  const sw::KnownDiskTable table = sw::TKSKnownSMARTHardDisk::smartDiskTableWithContents(sw::fuzz::bytesAsText(data, size));
  for (const auto& row : table) {
    sw::fuzz::require(sw::utf16Length(row->productName()) <= 256, "a name is cut at 256 characters");
    (void)row->matchesProductName("Hitachi HTS541080G9AT00");
    (void)row->description();
  }
  return 0;
}
