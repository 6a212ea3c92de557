// The display names of every location the SMC sensors can report, in English and German, taken
// from the key tables themselves so that the plug-in's string tables cannot fall behind them.
#pragma once

#include <string>
#include <vector>

namespace sw::smc {

struct SMCLocationName {
  std::string identifier;
  std::string english;  // empty when the location has no name yet
  std::string german;   // likewise
};

/// Every location identifier the SMC sensors can produce, each once: the key tables walked with
/// every key character under every model rule and package count, then the fans and the light
/// sensors. In table row order.
std::vector<SMCLocationName> allSMCLocationNames();

}  // namespace sw::smc
