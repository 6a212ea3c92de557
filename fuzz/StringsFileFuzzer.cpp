// String tables of bundles: any bytes give a table or nothing, and every key and text of a table
// is valid UTF-8, whatever encoding the file claimed.
#include "foundation/TextEncoding.h"
#include "fuzz/FuzzInput.h"
#include "os/Bundle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<sw::Dictionary> table = sw::os::parseStringsFile(sw::fuzz::bytesAsText(data, size));
  if (!table) return 0;
  for (const auto& [key, text] : *table) {
    sw::fuzz::require(sw::validUTF8(key) == key, "a string table's keys are valid UTF-8");
    const std::string* string = text.asString();
    sw::fuzz::require(string != nullptr, "a string table maps keys to strings");
    sw::fuzz::require(sw::validUTF8(*string) == *string, "a string table's texts are valid UTF-8");
  }
  return 0;
}
