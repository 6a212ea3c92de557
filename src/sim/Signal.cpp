// Time-dependent values of the simulated hardware.
#include "sim/Signal.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "foundation/Numbers.h"
#include "os/Clock.h"
#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

std::optional<double> finiteNumber(const Dictionary& description, const char* key, const std::string& path) {
  auto found = description.find(key);
  if (found == description.end()) return std::nullopt;
  std::optional<double> number = found->second.asReal();
  if (!number || !std::isfinite(*number)) throw ProfileError(path, std::string(key) + " must be a finite number");
  return number;
}

/// A repeatable pseudo-random number in [-1, 1] for each whole second, so that noise looks like
/// noise but a test clock always sees the same value at the same moment.
double noiseAt(double time) {
  auto state = static_cast<std::uint64_t>(clampToInt64(std::floor(time)));
  state += 0x9E3779B97F4A7C15ULL;
  state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ULL;
  state = (state ^ (state >> 27)) * 0x94D049BB133111EBULL;
  state ^= state >> 31;
  return static_cast<double>(state >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

}  // namespace

Signal Signal::parse(const Value& description, const std::string& path) {
  const Dictionary* fields = description.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "a signal must be a dictionary");
  refuseUnknownKeys(*fields, {"Base", "Amplitude", "Period", "Noise"}, "signal key", path);
  Signal signal;
  std::optional<double> base = finiteNumber(*fields, "Base", path);
  if (!base) throw ProfileError(path, "a signal needs a Base");
  signal.base_ = *base;
  signal.integralBase_ = fields->find("Base")->second.kind() == Value::Kind::Integer;
  signal.amplitude_ = finiteNumber(*fields, "Amplitude", path).value_or(0);
  signal.noise_ = finiteNumber(*fields, "Noise", path).value_or(0);
  std::optional<double> period = finiteNumber(*fields, "Period", path);
  if (signal.amplitude_ != 0 && (!period || *period <= 0)) {
    throw ProfileError(path, "a signal with an Amplitude needs a Period greater than 0");
  }
  if (signal.noise_ < 0) throw ProfileError(path, "Noise must not be negative");
  signal.period_ = period.value_or(0);
  return signal;
}

double Signal::valueAt(double time) const {
  double value = base_;
  if (amplitude_ != 0 && period_ > 0) value += amplitude_ * std::sin(2 * std::numbers::pi * std::fmod(time, period_) / period_);
  if (noise_ != 0) value += noise_ * noiseAt(time);
  return std::isfinite(value) ? value : base_;
}

Value Signal::currentValue(bool integral) const {
  double value = valueAt(os::currentTime());
  if (integral) return Value::integer(clampToInt64(std::round(value)));
  return Value::real(value);
}

}  // namespace sw::sim
