// The kernel side of a service connection: what IOServiceOpen connects a caller to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "os/IOKitTypes.h"
#include "sim/RegistryEntry.h"

namespace sw::sim {

class UserClient {
 public:
  virtual ~UserClient() = default;
  /// One structure-in/structure-out call; *outputSize holds the room on entry and the bytes
  /// written on return. Results as os::Machine::connectCallStructMethod documents them.
  virtual os::kern_return_t callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize,
                                             void* output, std::size_t* outputSize) = 0;
};

/// The user client that the entry's instructions call for, or nullptr when the entry offers none
/// (IOServiceOpen then answers kIOReturnUnsupported). The entry outlives the client.
std::unique_ptr<UserClient> makeUserClient(const RegistryEntry& entry, std::uint32_t connectionType);

}  // namespace sw::sim
