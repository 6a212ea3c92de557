// Which user client a simulated service offers.
#include "sim/SMCUserClient.h"
#include "sim/UserClient.h"

namespace sw::sim {

std::unique_ptr<UserClient> makeUserClient(const RegistryEntry& entry, std::uint32_t) {
  if (entry.instructions.smcKeys) return std::make_unique<SMCUserClient>(*entry.instructions.smcKeys);
  return nullptr;
}

}  // namespace sw::sim
