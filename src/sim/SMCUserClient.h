// The simulated AppleSMC user client: answers the 80-byte key-data records from an entry's key
// table, as the controller's driver would.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/SMCKeyTable.h"
#include "sim/UserClient.h"

namespace sw::sim {

/// How often a connection's method was called, by command.
struct SMCCallCounts {
  std::uint64_t readKeyInfo = 0;
  std::uint64_t readBytes = 0;
  std::uint64_t readIndex = 0;
  std::uint64_t otherCommands = 0;
  std::uint64_t failed = 0;  // calls answered with an error, of any command

  std::uint64_t total() const { return readKeyInfo + readBytes + readIndex + otherCommands; }
};

class SMCUserClient : public UserClient {
 public:
  /// The table must outlive the client (it belongs to the registry entry).
  explicit SMCUserClient(const SMCKeyTable& keys);

  os::kern_return_t callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize, void* output,
                                     std::size_t* outputSize) override;

  /// The counters of every connection opened since the last process-state reset, oldest first;
  /// they outlive their connections so that a test can read them after teardown.
  static const std::vector<std::shared_ptr<const SMCCallCounts>>& connectionCounts();
  /// The counters of the newest connection; an empty record when none was opened.
  static SMCCallCounts lastConnectionCounts();

 private:
  os::kern_return_t answer(const std::uint8_t* input, std::uint8_t* output);

  const SMCKeyTable& keys_;
  std::shared_ptr<SMCCallCounts> counts_;
};

}  // namespace sw::sim
