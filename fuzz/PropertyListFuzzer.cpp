// Property-list files in either form: whatever the bytes, reading gives a value or a reason, and
// a value read can be written in both forms and read back.
#include <string>

#include "foundation/PropertyListSerialization.h"
#include "fuzz/FuzzInput.h"

using sw::PropertyListSerialization;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const std::optional<sw::Value> value =
      PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(data, size), &error);
  if (!value) {
    sw::fuzz::require(!error.empty(), "a refused property list comes with a reason");
    return 0;
  }
  (void)value->description();
  // Only a dictionary or an array can be written as a file.
  if (value->asDictionary() == nullptr && value->asArray() == nullptr) return 0;
  for (const auto format : {PropertyListSerialization::Format::XML, PropertyListSerialization::Format::Binary}) {
    const sw::Data written = PropertyListSerialization::dataFromPropertyList(*value, format);
    const std::optional<sw::Value> reread =
        PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(written));
    sw::fuzz::require(reread.has_value(), "a property list that was read can be written and read back");
  }
  return 0;
}
