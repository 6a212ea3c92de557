// Prints the names of every SMC location, one per line: identifier, English and German name,
// separated by tabs. scripts/generate_plugin_strings.py writes the plug-in's string tables from it.
#include <cstdio>

#include "smc/SMCLocationNames.h"

int main() {
  for (const sw::smc::SMCLocationName& name : sw::smc::allSMCLocationNames()) {
    std::printf("%s\t%s\t%s\n", name.identifier.c_str(), name.english.c_str(), name.german.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
