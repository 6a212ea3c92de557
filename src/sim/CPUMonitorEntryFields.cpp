// Readable CPU-monitor fields into a profile entry.
#include "sim/CPUMonitorEntryFields.h"

#include <limits>

#include "sim/CPUStatusBlock.h"
#include "sim/ProfileError.h"
#include "sim/Signal.h"

namespace sw::sim {
namespace {

const Value* field(const Dictionary& fields, std::string_view key) {
  auto found = fields.find(key);
  return found == fields.end() ? nullptr : &found->second;
}

/// An integer field within [0, maximum]; `fallback` when it is absent.
std::uint64_t unsignedField(const Dictionary& fields, std::string_view key, std::uint64_t maximum,
                            std::uint64_t fallback, const std::string& path) {
  const Value* value = field(fields, key);
  if (value == nullptr) return fallback;
  if (value->kind() != Value::Kind::Integer) throw ProfileError(path, std::string(key) + " must be an integer");
  // Integers keep their 64-bit pattern; a bus code may use all of it.
  const auto number = static_cast<std::uint64_t>(*value->asInteger());
  if (maximum != std::numeric_limits<std::uint64_t>::max() && (*value->asInteger() < 0 || number > maximum)) {
    throw ProfileError(path, std::string(key) + " must lie between 0 and " + std::to_string(maximum));
  }
  return number;
}

bool booleanField(const Dictionary& fields, std::string_view key, bool fallback, const std::string& path) {
  const Value* value = field(fields, key);
  if (value == nullptr) return fallback;
  if (!value->asBoolean()) throw ProfileError(path, std::string(key) + " must be a boolean");
  return *value->asBoolean();
}

const Dictionary& dictionaryOf(const Value& value, const std::string& path) {
  if (value.asDictionary() == nullptr) throw ProfileError(path, "must be a dictionary");
  return *value.asDictionary();
}

cpustatus::CoreFields coreFields(const Dictionary& core, const std::string& path) {
  refuseUnknownKeys(core, {"TimeStamp", "ThermalReadout", "CurrentRatio", "HalfRatio", "MaximumRatio",
                           "MaximumRatioInStatus", "BusFrequencyCode", "Signal", "RatioSignal"}, "core field", path);
  cpustatus::CoreFields fields;
  fields.timeStamp = static_cast<std::uint32_t>(unsignedField(core, "TimeStamp", 0xFFFFFFFF, 0, path));
  fields.thermalReadout = static_cast<std::int32_t>(unsignedField(core, "ThermalReadout", 127, 0, path));
  fields.currentRatio = static_cast<std::uint8_t>(unsignedField(core, "CurrentRatio", 31, 0, path));
  fields.halfRatio = booleanField(core, "HalfRatio", false, path);
  fields.maximumRatio = static_cast<std::uint8_t>(unsignedField(core, "MaximumRatio", 31, 0, path));
  fields.maximumRatioInStatus = booleanField(core, "MaximumRatioInStatus", false, path);
  fields.busFrequencyCode = unsignedField(core, "BusFrequencyCode", std::numeric_limits<std::uint64_t>::max(), 0, path);
  return fields;
}

Dictionary entryFromFields(const Value& value) {
  const Dictionary& fields = dictionaryOf(value, "fields");
  refuseUnknownKeys(fields, {"CPUBrand", "CPUSignature", "VersionCode", "MaximumQualifiedRatio", "TemperatureReadings",
                             "FrequencyReadings", "ErratumAE18", "LowJunctionMaximum", "TemperatureTarget",
                             "TurboRatios", "Cores"},
                    "field", "fields");
  const Value* brand = field(fields, "CPUBrand");
  if (brand == nullptr || brand->asString() == nullptr) throw ProfileError("fields", "CPUBrand must be a string");
  if (field(fields, "CPUSignature") == nullptr) throw ProfileError("fields", "CPUSignature is missing");
  const std::uint64_t signature = unsignedField(fields, "CPUSignature", 0xFFFFFFFF, 0, "fields");

  cpustatus::BlockFields block;
  block.versionCode = static_cast<std::uint32_t>(unsignedField(fields, "VersionCode", 0xFFFFFFFF, 7, "fields"));
  block.maximumQualifiedRatio = static_cast<std::uint8_t>(unsignedField(fields, "MaximumQualifiedRatio", 31, 0, "fields"));
  block.temperatureReadings = booleanField(fields, "TemperatureReadings", true, "fields");
  block.frequencyReadings = booleanField(fields, "FrequencyReadings", false, "fields");
  block.erratumAE18 = booleanField(fields, "ErratumAE18", false, "fields");
  block.lowJunctionMaximum = booleanField(fields, "LowJunctionMaximum", false, "fields");
  if (field(fields, "TemperatureTarget") != nullptr) {
    block.temperatureTarget = static_cast<std::uint8_t>(unsignedField(fields, "TemperatureTarget", 255, 0, "fields"));
  }
  if (const Value* turbo = field(fields, "TurboRatios")) {
    const Array* ratios = turbo->asArray();
    if (ratios == nullptr || ratios->size() > 8) throw ProfileError("fields/TurboRatios", "must be an array of at most 8 ratios");
    block.turboRatios.emplace();
    for (std::size_t index = 0; index < ratios->size(); ++index) {
      Dictionary one{{"Ratio", (*ratios)[index]}};
      const std::string path = "fields/TurboRatios/" + std::to_string(index);
      block.turboRatios->push_back(static_cast<std::uint8_t>(unsignedField(one, "Ratio", 255, 0, path)));
    }
  }

  Dictionary signals;
  const Value* cores = field(fields, "Cores");
  if (cores == nullptr || cores->asArray() == nullptr) throw ProfileError("fields", "Cores must be an array of core dictionaries");
  for (std::size_t index = 0; index < cores->asArray()->size(); ++index) {
    const std::string path = "fields/Cores/" + std::to_string(index);
    const Dictionary& core = dictionaryOf((*cores->asArray())[index], path);
    block.cores.push_back(coreFields(core, path));
    const auto coreIndex = static_cast<std::uint32_t>(index);
    for (auto [key, signalled] : {std::pair{"Signal", cpustatus::SignalledField::ThermalReadout},
                                  std::pair{"RatioSignal", cpustatus::SignalledField::CurrentRatio}}) {
      const Value* signal = field(core, key);
      if (signal == nullptr) continue;
      Signal::parse(*signal, path + "/" + key);  // refused here rather than when the profile loads
      signals.emplace(cpustatus::signalName(coreIndex, signalled), *signal);
    }
  }

  Dictionary entry{{"IOObjectClass", Value("com_quorvel_driver_QUORVELx86Monitoring")},
                   {"CPUBrand", *brand},
                   {"CPUSignature", Value::integer(static_cast<std::int64_t>(signature))},
                   {"CPUStatus", Value(cpustatus::assemble(block))},
                   {"@Driver", Value("CPUMonitor")}};
  if (!signals.empty()) entry.emplace("@Signals", Value(std::move(signals)));
  return entry;
}

}  // namespace

std::variant<Dictionary, std::string> cpuMonitorEntryFromFields(const Value& fields) {
  try {
    return entryFromFields(fields);
  } catch (const ProfileError& error) {
    return std::string(error.what());
  }
}

}  // namespace sw::sim
