// The process's current machine.
#include "os/Machine.h"

#include <cstdio>
#include <cstdlib>

namespace sw::os {
namespace {
std::shared_ptr<Machine>& machineSlot() {
  static std::shared_ptr<Machine> machine;
  return machine;
}
}  // namespace

Machine& currentMachine() {
  if (!machineSlot()) {
    // Only a programming error gets here: start-up and test fixtures always set a machine.
    std::fputs("sensorwidget: no machine has been set up\n", stderr);
    std::abort();
  }
  return *machineSlot();
}

void setCurrentMachine(std::shared_ptr<Machine> machine) { machineSlot() = std::move(machine); }

bool hasCurrentMachine() { return machineSlot() != nullptr; }

}  // namespace sw::os
