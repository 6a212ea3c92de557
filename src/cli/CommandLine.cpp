// The `sensorwidget` command line: the common options and one sub-command per file.
#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include "cli/CommonOptions.h"

namespace sw::cli {

int runCommandLine(int argc, char** argv) {
  constexpr int kUsageError = 2;
  CLI::App app("The sensor widget's back end on a simulated Mac.", "sensorwidget");
  app.fallthrough();  // the common options may also follow the sub-command
  app.require_subcommand(1);
  CommonOptions options;
  options.addTo(app);
  addProfilesCommand(app, options);
  addIoregCommand(app, options);
  addListCommand(app, options);
  addScriptCommand(app, options);
  addSMCCommand(app, options);
  addInfoCommand(app, options);
  addServeCommand(app, options);
  addWindowCommand(app, options);
  addRecordCommand(app, options);
  addCPUMonitorEntryCommand(app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::RuntimeError& failure) {
    return failure.get_exit_code();  // the command has said why on stderr
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kUsageError;  // help is no error
  }
  return 0;
}

}  // namespace sw::cli
