// The registry of the simulated machine as a tree of entries with their properties.
#pragma once

#include <string>

#include "foundation/Value.h"
#include "sim/RegistryEntry.h"

namespace sw::cli {

/// One value in the registry listing's notation: strings quoted, data as <hex> or <"text">,
/// booleans Yes/No, dictionaries {"k"=v,...} and arrays (a,b) on one line.
std::string ioregValueText(const Value& value);

/// The tree below (and with) the entry: "+-o name  <class C>" per entry, two more blanks per
/// level, and each entry's properties as "\"key\" = value" lines beneath it.
std::string ioregTree(const sim::RegistryEntry& root);

}  // namespace sw::cli
