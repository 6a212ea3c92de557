// `sensorwidget profiles`: the built-in machine profiles.
#include <iostream>

#include "cli/CommonOptions.h"
#include "sim/BuiltInProfiles.h"

namespace sw::cli {

void addProfilesCommand(CLI::App& app, CommonOptions&) {
  CLI::App* command = app.add_subcommand("profiles", "list the built-in machine profiles");
  command->callback([] {
    std::vector<sim::BuiltInProfile> profiles = sim::builtInProfiles();
    std::size_t width = 0;
    for (const sim::BuiltInProfile& profile : profiles) width = std::max(width, profile.name.size());
    for (const sim::BuiltInProfile& profile : profiles) {
      std::string marker = profile.name == sim::kDefaultProfileName ? "  (default)" : "";
      std::cout << profile.name << std::string(width - profile.name.size() + 2, ' ') << profile.profileName << marker
                << '\n';
    }
  });
}

}  // namespace sw::cli
