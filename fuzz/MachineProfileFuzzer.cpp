// Machine profiles from outside (`--profile FILE`): any property list is refused with a reason
// naming the entry, or becomes a machine on which the widget discovers its sensors, reads them and
// gathers the machine's facts — and every kernel reference taken is given back.
#include <variant>

#include "foundation/ProcessState.h"
#include "fuzz/FuzzMachine.h"
#include "host/ControllerFactory.h"
#include "os/Machine.h"
#include "sim/SimulatedMachine.h"
#include "system/TKSMachineInfo.h"
#include "widget/PluginController.h"
#include "widget/WebView.h"

namespace {

void useMachine() {
  sw::TKSMachineInfo info;
  (void)info.description();
  (void)info.estimatedProductionDate();
  sw::WebView page;
  const auto controller = sw::host::createControllerForPage(page);
  for (std::int32_t display = 0; display < 2; ++display) {
    (void)controller->localizedSensorNameAtDisplayIndex(display);
    (void)controller->localizedReadingAtDisplayIndex(display);
  }
  (void)controller->localizedStatusMessage();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::useScratchDefaultsDirectory();
  const std::optional<sw::Value> profile =
      sw::PropertyListSerialization::propertyListFromData(sw::fuzz::bytesAsText(data, size));
  if (!profile) return 0;
  auto loaded = sw::sim::SimulatedMachine::load(*profile, "fuzz");
  if (const auto* reason = std::get_if<std::string>(&loaded)) {
    sw::fuzz::require(reason->starts_with("fuzz: "), "a refused profile names its source");
    return 0;
  }
  const auto machine = std::get<std::shared_ptr<sw::sim::SimulatedMachine>>(loaded);
  sw::os::setCurrentMachine(machine);
  useMachine();
  sw::resetProcessState();
  sw::fuzz::require(machine->heldReferenceCount() == 0, "every kernel reference is given back");
  return 0;
}
