// Key listings of real controllers are text from outside: they are refused with a reason naming
// the line, or imported into key dictionaries that a simulated controller accepts.
#include <string>

#include "fuzz/FuzzInput.h"
#include "sim/ProfileError.h"
#include "sim/SMCKeyTable.h"
#include "sim/SMCListing.h"

namespace {

void checkLoadable(const sw::Array& keys) {
  try {
    (void)sw::sim::SMCKeyTable::parse(sw::Value(keys), "@SMCKeys");
  } catch (const sw::sim::ProfileError& error) {
    std::fprintf(stderr, "imported keys refused: %s\n", error.what());
    sw::fuzz::require(false, "the keys imported from a listing make a valid key list");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const auto keys = sw::sim::parseSMCListing(sw::fuzz::bytesAsText(data, size), &error);
  if (!keys) {
    sw::fuzz::require(!error.empty(), "a refused listing says why");
    return 0;
  }
  for (const auto signals : {sw::sim::SMCListingSignals::None, sw::sim::SMCListingSignals::Added}) {
    const sw::Array imported = sw::sim::smcKeysFromListing(*keys, signals);
    sw::fuzz::require(imported.size() == keys->size(), "every listed key is imported");
    checkLoadable(imported);
  }
  return 0;
}
