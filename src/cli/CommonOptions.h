// The options every sub-command of `sensorwidget` shares, and the sub-commands themselves: each
// lives in its own file and adds itself to the command line with one add...Command function.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "sim/SimulatedMachine.h"

namespace sw::cli {

struct CommonOptions {
  std::string profile;            // --profile: a built-in name or a plist file; empty: the default
  std::string liveRoot = "/";     // --live-root: where the live machine's files are (--profile live)
  std::string defaultsDirectory;  // --defaults-dir; empty: the standard place
  std::string locale;             // --locale; empty: the environment's
  bool verbose = false;           // --verbose: log messages also go to stderr
  std::uint32_t diskSaverSeconds = 0;  // --disk-saver: no disk reads while the user is idle longer; 0: off

  /// Adds the options to the top-level command.
  void addTo(CLI::App& app);
  /// Adds --disk-saver to a command that reads sensors.
  void addDiskSaverOption(CLI::App& command);

  /// What a command does with the widget's stored settings.
  enum class Settings {
    Read,    // it may read them; a write that fails anyway is told on stderr
    Stored,  // it stores them: the defaults directory must be writable; failed writes on stderr
    Hosted,  // the widget host stores them: the directory must be writable; failed writes are logged
  };

  /// Loads the profile and makes it the current machine, and applies the defaults directory,
  /// the locale and --verbose. On an unusable profile or defaults directory it prints one line
  /// to stderr and ends the command with exit status 1 (by throwing CLI::RuntimeError).
  /// With --profile live the simulated machine is the one that keeps the live machine's registry.
  sim::SimulatedMachine& installMachine(Settings settings = Settings::Read);

 private:
  std::shared_ptr<sim::SimulatedMachine> machine_;
  std::shared_ptr<os::Machine> liveMachine_;
};

void addProfilesCommand(CLI::App& app, CommonOptions& options);
void addIoregCommand(CLI::App& app, CommonOptions& options);
void addListCommand(CLI::App& app, CommonOptions& options);
void addScriptCommand(CLI::App& app, CommonOptions& options);
void addSMCCommand(CLI::App& app, CommonOptions& options);
void addInfoCommand(CLI::App& app, CommonOptions& options);
void addServeCommand(CLI::App& app, CommonOptions& options);
void addWindowCommand(CLI::App& app, CommonOptions& options);
void addRecordCommand(CLI::App& app, CommonOptions& options);
void addCPUMonitorEntryCommand(CLI::App& app, CommonOptions& options);

}  // namespace sw::cli
