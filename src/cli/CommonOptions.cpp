// The shared options and the setting up of the simulated machine they describe.
#include "cli/CommonOptions.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "live/LiveMachine.h"
#include "os/Bundle.h"
#include "os/Machine.h"
#include "os/SystemLog.h"
#include "os/UserDefaults.h"
#include "sim/BuiltInProfiles.h"
#include "smart/TKSSMARTTemperatureSensor.h"

namespace sw::cli {
namespace {

[[noreturn]] void failWith(const std::string& message) {
  std::cerr << "sensorwidget: " << message << '\n';
  throw CLI::RuntimeError(1);
}

constexpr std::string_view kLiveProfileName = "live";

sim::SimulatedMachine::LoadResult loadProfile(const std::string& profile) {
  std::string name = profile.empty() ? sim::kDefaultProfileName : profile;
  for (const sim::BuiltInProfile& builtIn : sim::builtInProfiles()) {
    if (builtIn.name == name) return sim::SimulatedMachine::loadBuiltIn(name);
  }
  if (!std::filesystem::exists(name)) return name + ": is neither a built-in profile name nor a profile file";
  return sim::SimulatedMachine::loadFile(name);
}

/// A directory named on the command line is made when missing; any directory must be one.
void checkDefaultsDirectory(const std::filesystem::path& directory, bool named) {
  std::error_code error;
  if (named && !std::filesystem::exists(directory, error)) {
    std::filesystem::create_directories(directory, error);
    if (error) failWith(directory.string() + ": the defaults directory cannot be made: " + error.message());
  }
  if (std::filesystem::exists(directory, error) && !std::filesystem::is_directory(directory, error)) {
    failWith(directory.string() + ": the defaults directory is not a directory");
  }
}

}  // namespace

void CommonOptions::addTo(CLI::App& app) {
  // A later option overrides an earlier one, so that wrappers can append their own.
  auto lastWins = CLI::MultiOptionPolicy::TakeLast;
  app.add_option("--profile", profile, "a built-in profile name or a profile file (default: " +
                                           std::string(sim::kDefaultProfileName) + ")")
      ->multi_option_policy(lastWins);
  app.add_option("--live-root", liveRoot, "with --profile live: the folder that stands for / (a recorded machine)")
      ->multi_option_policy(lastWins);
  app.add_option("--defaults-dir", defaultsDirectory, "where the user defaults files live")->multi_option_policy(lastWins);
  app.add_option("--locale", locale, "the language of the texts, e.g. de_DE")->multi_option_policy(lastWins);
  app.add_flag("--verbose", verbose, "also write log messages to standard error");
}

void CommonOptions::addDiskSaverOption(CLI::App& command) {
  command.add_option("--disk-saver", diskSaverSeconds,
                     "SECONDS of user idle time after which disks are no longer read (default: 0, off)");
}

sim::SimulatedMachine& CommonOptions::installMachine(Settings settings) {
  if (machine_) return *machine_;
  os::setLogToStandardError(verbose);
  std::shared_ptr<live::LiveMachine> live;
  sim::SimulatedMachine::LoadResult result = std::string();
  if (profile == kLiveProfileName) {
    std::error_code rootError;
    if (!std::filesystem::is_directory(liveRoot, rootError)) failWith(liveRoot + ": the live root is not a folder");
    std::string problem;
    live = live::LiveMachine::create(
        std::make_shared<live::LiveFiles>(liveRoot),
        [&result](const Value& liveProfile, std::string* error) -> std::shared_ptr<os::Machine> {
          result = sim::SimulatedMachine::load(liveProfile, "live");
          if (auto* made = std::get_if<std::shared_ptr<sim::SimulatedMachine>>(&result)) return *made;
          *error = std::get<std::string>(result);
          return nullptr;
        },
        &problem);
    if (!live) failWith(problem);
  } else {
    result = loadProfile(profile);
  }
  if (auto* problem = std::get_if<std::string>(&result)) failWith(*problem);
  if (!defaultsDirectory.empty()) os::setDefaultsDirectory(defaultsDirectory);
  checkDefaultsDirectory(os::defaultsDirectory(), !defaultsDirectory.empty());
  if (settings != Settings::Read) {
    // Better to refuse at once than to answer every call and keep none of the user's choices.
    if (auto problem = os::defaultsDirectoryWriteProblem()) failWith("the settings cannot be stored: " + *problem);
  }
  if (settings != Settings::Hosted) {
    os::setDefaultsWriteFailureReporter([](std::string_view problem) {
      std::cerr << "sensorwidget: the settings were not saved: " << problem << std::endl;
    });
  }
  if (!locale.empty()) os::setCurrentLocale(locale);
  TKSSMARTTemperatureSensor::setDiskSaverIntervalOfNewSensors(diskSaverSeconds);
  machine_ = std::get<std::shared_ptr<sim::SimulatedMachine>>(result);
  liveMachine_ = live;
  os::setCurrentMachine(live ? std::shared_ptr<os::Machine>(live) : std::shared_ptr<os::Machine>(machine_));
  return *machine_;
}

}  // namespace sw::cli
