// The sensors in the OpenMetrics text format, for Prometheus and its kin: one gauge family per
// quantity in its base unit, each sensor a sample labelled with its location, name and
// identifier, and the machine model as an info metric.
#pragma once

#include <string>

namespace sw {
class PluginController;
}

namespace sw::host {

/// Reads every sensor of the controller once; sensors without a reading are left out.
std::string openMetricsText(const PluginController& controller);

/// A label value with backslash, double quote and line feed escaped.
std::string openMetricsLabelValue(std::string_view text);

}  // namespace sw::host
