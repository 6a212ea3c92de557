// Sensors as OpenMetrics families.
#include "host/OpenMetrics.h"

#include <fmt/format.h>

#include <cmath>
#include <map>
#include <vector>

#include "sensors/TKSSensor.h"
#include "system/TKSMachineInfo.h"
#include "widget/PluginController.h"

namespace sw::host {
namespace {

constexpr std::string_view kPrefix = "sensorwidget_";

struct Family {
  const char* name;  // without the prefix; ends with the unit where it has one
  const char* unit;  // "" for none
  const char* help;
  double scale;      // from the converter's value to the base unit
};

// The families by quantity type; other quantities share one family that names their unit.
const std::map<std::int32_t, Family> kFamilies = {
    {TKSQuantityTemperature, {"temperature_celsius", "celsius", "Temperature.", 1.0}},
    {TKSQuantityVoltage, {"voltage_volts", "volts", "Voltage.", 1.0}},
    {TKSQuantityCurrent, {"current_amperes", "amperes", "Electric current.", 1.0}},
    {TKSQuantityPower, {"power_watts", "watts", "Power.", 1.0}},
    {TKSQuantityFanSpeed, {"fan_speed_rpm", "rpm", "Fan speed in revolutions per minute.", 1.0}},
    {TKSQuantityFanDutyCycle, {"fan_duty_cycle_ratio", "ratio", "Fan duty cycle.", 0.01}},
    {TKSQuantityLight, {"light_lux", "lux", "Ambient light.", 1.0}},
    {TKSQuantityLoad, {"load_ratio", "ratio", "Load.", 0.01}},
};
const Family kOtherFamily = {"value", "", "Other readings, in the unit their unit label names.", 1.0};

/// A number as the format wants it: no exponent surprises, integers with ".0" left out.
std::string number(double value) { return fmt::format("{}", value); }

}  // namespace

std::string openMetricsLabelValue(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '"') {
      escaped += "\\\"";
    } else if (c == '\n') {
      escaped += "\\n";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string openMetricsText(const PluginController& controller) {
  std::string text;
  const std::string model = controller.machineInfo() ? controller.machineInfo()->appleModelCode() : std::string();
  // The info metric as a gauge of 1 with its facts as labels: the one form that both this format
  // and the older Prometheus text format (which many tools still parse) accept.
  text += fmt::format("# TYPE {0}machine_info gauge\n# HELP {0}machine_info The machine the sensors belong to.\n",
                      kPrefix);
  text += fmt::format("{}machine_info{{model=\"{}\"}} 1\n", kPrefix, openMetricsLabelValue(model));

  // Samples are grouped by family: a family's samples must stand together.
  std::map<std::string, std::vector<std::string>> samples;
  std::map<std::string, const Family*> families;
  for (std::int32_t index = 0; index < controller.numberOfAvailableSensors(); ++index) {
    TKSSensor& sensor = *controller.sensorArray()[static_cast<std::size_t>(index)];
    const std::int32_t raw = sensor.rawValue();
    if (raw == -1) continue;
    auto found = kFamilies.find(sensor.quantityType());
    const Family& family = found == kFamilies.end() ? kOtherFamily : found->second;
    const double value = sensor.valueConverter().valueForRawSensorValue(raw) * family.scale;
    if (!std::isfinite(value)) continue;
    std::string labels = fmt::format("location=\"{}\",name=\"{}\",id=\"{}\"",
                                     openMetricsLabelValue(sensor.locationIdentifier()),
                                     openMetricsLabelValue(controller.localizedSensorNameAtIndex(index)),
                                     openMetricsLabelValue(sensor.uniqueIdentifier()));
    if (&family == &kOtherFamily) labels += fmt::format(",unit=\"{}\"", openMetricsLabelValue(sensor.unit()));
    const std::string name = std::string(kPrefix) + family.name;
    families[name] = &family;
    samples[name].push_back(fmt::format("{}{{{}}} {}\n", name, labels, number(value)));
  }
  for (const auto& [name, lines] : samples) {
    const Family& family = *families[name];
    text += fmt::format("# TYPE {} gauge\n", name);
    if (*family.unit != '\0') text += fmt::format("# UNIT {} {}\n", name, family.unit);
    text += fmt::format("# HELP {} {}\n", name, family.help);
    for (const std::string& line : lines) text += line;
  }
  text += "# EOF\n";
  return text;
}

}  // namespace sw::host
