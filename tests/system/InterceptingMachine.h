// A simulated machine whose kernel queries a test can watch and bend: it records every sysctl
// name asked for and lets a hook answer the process-table request in the kernel's place.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

class InterceptingMachine : public sim::SimulatedMachine {
 public:
  /// The request as the client made it, and the simulated kernel's own answer to call through to.
  using ProcessTableHook = std::function<int(void* oldValue, std::size_t* oldLength,
                                             const std::function<int(void*, std::size_t*)>& kernel)>;

  using SimulatedMachine::SimulatedMachine;

  /// Makes a machine of the profile the current one, on a fresh process state.
  static std::shared_ptr<InterceptingMachine> install(const ProfileBuilder& profile);

  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override;
  int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                   std::size_t newLength) override;

  ProcessTableHook processTableHook;
  std::vector<std::string> namesAskedFor;
};

}  // namespace sw::test
