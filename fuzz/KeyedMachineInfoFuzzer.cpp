// The machine's information as a keyed archive (a property list from outside): any dictionary
// gives the information or nothing, and information that decodes survives being archived again.
#include "foundation/PropertyListSerialization.h"
#include "fuzz/FuzzInput.h"
#include "system/TKSMachineInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<sw::Value> archive =
      sw::PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(data, size));
  if (!archive || archive->asDictionary() == nullptr) return 0;
  const auto info = sw::TKSMachineInfo::createWithKeyedCoder(*archive->asDictionary());
  if (!info) return 0;
  (void)info->description();
  (void)info->estimatedProductionDate();
  (void)sw::TKSMachineInfo::kernelVersionNumber(info->readableKernelVersion());
  const auto again = sw::TKSMachineInfo::createWithKeyedCoder(info->encodeWithKeyedCoder());
  sw::fuzz::require(again != nullptr && again->facts() == info->facts(), "the information survives a keyed archive");
  return 0;
}
