// The process's current machine.
#include "os/Machine.h"

#include "os/NullMachine.h"

namespace sw::os {
namespace {
std::shared_ptr<Machine>& machineSlot() {
  static std::shared_ptr<Machine> machine;
  return machine;
}
}  // namespace

Machine& currentMachine() {
  // Before start-up (or after a test took its machine away) the process runs on an empty
  // machine: no hardware is found, nothing is held.
  static NullMachine empty;
  return machineSlot() ? *machineSlot() : empty;
}

void setCurrentMachine(std::shared_ptr<Machine> machine) { machineSlot() = std::move(machine); }

bool hasCurrentMachine() { return machineSlot() != nullptr; }

}  // namespace sw::os
