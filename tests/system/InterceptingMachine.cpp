// The intercepting test machine.
#include "InterceptingMachine.h"

#include <algorithm>

#include "foundation/ProcessState.h"
#include "os/Host.h"

namespace sw::test {

std::shared_ptr<InterceptingMachine> InterceptingMachine::install(const ProfileBuilder& profile) {
  auto machine = std::make_shared<InterceptingMachine>(sim::MachineProfile::read(profile.build()));
  resetProcessState();
  os::setCurrentMachine(machine);
  return machine;
}

int InterceptingMachine::sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength,
                                const void* newValue, std::size_t newLength) {
  constexpr int kAllProcesses[] = {os::CTL_KERN, os::KERN_PROC, os::KERN_PROC_ALL};
  const bool isProcessTable = name != nullptr && nameLength == 3 && std::equal(name, name + 3, kAllProcesses);
  if (!isProcessTable || !processTableHook) {
    return SimulatedMachine::sysctl(name, nameLength, oldValue, oldLength, newValue, newLength);
  }
  return processTableHook(oldValue, oldLength, [&](void* value, std::size_t* length) {
    return SimulatedMachine::sysctl(name, nameLength, value, length, newValue, newLength);
  });
}

int InterceptingMachine::sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength,
                                      const void* newValue, std::size_t newLength) {
  namesAskedFor.emplace_back(name);
  return SimulatedMachine::sysctlbyname(name, oldValue, oldLength, newValue, newLength);
}

}  // namespace sw::test
