// `sensorwidget cpu-monitor-entry FIELDS`: a profile tool, not listed in the help. It turns a
// CPU-monitoring driver service described in readable fields (a property list) into the registry
// entry a profile holds, printed as XML; scripts/make-cpu-monitor-entries.py puts it into the
// built-in profiles.
#include <fmt/format.h>

#include <iostream>

#include "foundation/FileContents.h"
#include "foundation/PropertyListSerialization.h"
#include "cli/CommonOptions.h"
#include "sim/CPUMonitorEntryFields.h"

namespace sw::cli {
namespace {

constexpr int kUnusableInput = 1;
constexpr std::uintmax_t kLargestFieldsFile = 1 << 20;

[[noreturn]] void refuse(const std::string& path, const std::string& problem) {
  std::cerr << fmt::format("sensorwidget: {}: {}\n", path, problem);
  throw CLI::RuntimeError(kUnusableInput);
}

void printEntry(const std::string& path) {
  FileReadResult file = readFileContents(path, kLargestFieldsFile);
  if (!file.contents) refuse(path, file.reason);
  std::string error;
  std::optional<Value> fields = PropertyListSerialization::propertyListFromData(*file.contents, &error);
  if (!fields) refuse(path, error);
  auto entry = sim::cpuMonitorEntryFromFields(*fields);
  if (const std::string* problem = std::get_if<std::string>(&entry)) refuse(path, *problem);
  Data plist = PropertyListSerialization::dataFromPropertyList(Value(std::get<Dictionary>(entry)),
                                                               PropertyListSerialization::Format::XML);
  std::cout.write(reinterpret_cast<const char*>(plist.data()), std::streamsize(plist.size()));
}

}  // namespace

void addCPUMonitorEntryCommand(CLI::App& app, CommonOptions&) {
  CLI::App* command = app.add_subcommand("cpu-monitor-entry", "a CPU-monitor profile entry from readable fields");
  command->group("");  // a tool for the profiles, not for users
  auto path = std::make_shared<std::string>();
  command->add_option("fields", *path, "a property list of the driver's readable fields")->required();
  command->callback([path] { printEntry(*path); });
}

}  // namespace sw::cli
