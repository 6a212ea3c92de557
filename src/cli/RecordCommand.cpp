// `sensorwidget record`: the current machine (live or a profile's) written as a profile.
#include <fmt/format.h>

#include <fstream>
#include <iostream>

#include "foundation/PropertyListSerialization.h"
#include "cli/CommonOptions.h"
#include "cli/MachineRecorder.h"

namespace sw::cli {
namespace {

struct RecordCommandOptions {
  std::string output;  // empty: standard output
  bool keepSerial = false;
};

void runRecord(CommonOptions& common, const RecordCommandOptions& options) {
  common.installMachine();
  const Value profile = recordCurrentMachine(RecordOptions{options.keepSerial});
  const Data bytes = PropertyListSerialization::dataFromPropertyList(profile, PropertyListSerialization::Format::XML);
  if (options.output.empty()) {
    std::cout.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return;
  }
  // Written beside the target and renamed, so that a failed run never leaves half a profile.
  const std::string temporary = options.output + ".partial";
  std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  file.close();
  if (!file || std::rename(temporary.c_str(), options.output.c_str()) != 0) {
    std::remove(temporary.c_str());
    std::cerr << fmt::format("sensorwidget: {}: the profile cannot be written\n", options.output);
    throw CLI::RuntimeError(1);
  }
}

}  // namespace

void addRecordCommand(CLI::App& app, CommonOptions& options) {
  auto recordOptions = std::make_shared<RecordCommandOptions>();
  CLI::App* command = app.add_subcommand("record", "write the machine as a machine profile");
  command->add_option("--output", recordOptions->output, "the profile file (default: standard output)");
  command->add_flag("--keep-serial", recordOptions->keepSerial,
                    "keep the serial number, UUID and computer name instead of placeholders");
  command->callback([&options, recordOptions] { runRecord(options, *recordOptions); });
}

}  // namespace sw::cli
