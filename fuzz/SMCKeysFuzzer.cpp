// The key list of a simulated controller as a profile gives it (a property list whose root is
// the array of key dictionaries): it is refused with a reason or read into a table whose every
// key can be looked up and read.
#include "foundation/PropertyListSerialization.h"
#include "fuzz/FuzzInput.h"
#include "sim/ProfileError.h"
#include "sim/SMCKeyTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<sw::Value> keys =
      sw::PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(data, size));
  if (!keys) return 0;
  try {
    const sw::sim::SMCKeyTable table = sw::sim::SMCKeyTable::parse(*keys, "@SMCKeys");
    for (const sw::sim::SMCKey& key : table.keys()) {
      (void)key.currentBytes();
      (void)sw::sim::fourCharCodeText(key.type);
      sw::fuzz::require(table.keyWithCode(key.code) != nullptr, "every key can be found by its code");
    }
    for (std::size_t index = 0; index < table.listedKeyCount(); ++index) {
      sw::fuzz::require(table.keyAtIndex(index) != nullptr, "every listed index holds a key");
    }
    sw::fuzz::require(table.keyAtIndex(table.listedKeyCount()) == nullptr, "no key beyond the listed ones");
  } catch (const sw::sim::ProfileError& error) {
    sw::fuzz::require(!error.problem().empty(), "a refused key list says why");
  }
  return 0;
}
