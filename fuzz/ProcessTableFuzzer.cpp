// The kernel's process table is read as raw kinfo_proc records. Here the kernel hands out fuzzer
// bytes, and may lie about how many it wrote or refuse the second request, as a table that grows
// between the two calls makes it do. The input is a flags byte, the process name to look for,
// a NUL, and the table's bytes.
#include <cstring>

#include "foundation/ProcessState.h"
#include "fuzz/FuzzMachine.h"
#include "os/Host.h"
#include "os/Machine.h"
#include "sim/SimulatedMachine.h"
#include "system/NSProcessInfoTKSAdditions.h"

namespace {

class HandedTableMachine : public sw::sim::SimulatedMachine {
 public:
  enum Flags : std::uint8_t { kOverstatesWritten = 1, kRefusesFetch = 2 };

  HandedTableMachine() : SimulatedMachine(sw::fuzz::builtInProfile("PowerBook5,8")) {}

  void handOut(std::string_view table, std::uint8_t flags) {
    table_ = table;
    flags_ = flags;
  }

  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override {
    const bool isProcessTable = nameLength == 3 && name[0] == sw::os::CTL_KERN && name[1] == sw::os::KERN_PROC &&
                                name[2] == sw::os::KERN_PROC_ALL;
    if (!isProcessTable) return SimulatedMachine::sysctl(name, nameLength, oldValue, oldLength, newValue, newLength);
    if (oldValue == nullptr) {
      *oldLength = table_.size();
      return 0;
    }
    if (flags_ & kRefusesFetch) return -1;
    const std::size_t written = std::min(*oldLength, table_.size());
    std::memcpy(oldValue, table_.data(), written);
    *oldLength = (flags_ & kOverstatesWritten) ? written * 2 + 492 : written;
    return 0;
  }

 private:
  std::string_view table_;
  std::uint8_t flags_ = 0;
};

HandedTableMachine& machine() {
  static const auto instance = [] {
    auto made = std::make_shared<HandedTableMachine>();
    sw::os::setCurrentMachine(made);
    return made;
  }();
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  const std::uint8_t flags = input.takeByte();
  const std::string_view name = input.takeUntil('\0');
  const std::string_view table = input.takeRest();
  machine().handOut(table, flags);

  const auto identifiers = sw::NSProcessInfoTKSAdditions::identifiersForRunningProcessesNamed(name);
  (void)sw::NSProcessInfoTKSAdditions::isProcessRunningWithName(name);
  // Asks for the first record's process and for one that is surely absent.
  std::int32_t wanted = -7;
  if (identifiers && !identifiers->empty()) wanted = identifiers->front();
  std::uint32_t effectiveUserID = 0;
  const auto command = sw::NSProcessInfoTKSAdditions::processNameForProcessIDGetEffectiveUserID(wanted, &effectiveUserID);
  if (command) sw::fuzz::require(command->size() <= 17, "a command name is no longer than its field");
  return 0;
}
