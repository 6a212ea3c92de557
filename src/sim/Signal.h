// A value that changes with time: a base, an optional sine wave and optional noise, so that a
// profile can make a sensor move without losing determinism (the noise follows the clock too).
#pragma once

#include <string>

#include "foundation/Value.h"

namespace sw::sim {

class Signal {
 public:
  /// Reads {Base, Amplitude, Period, Noise}; throws ProfileError at `path` for anything else.
  static Signal parse(const Value& description, const std::string& path);

  /// The value at a moment (seconds since 1970). Finite for every input.
  double valueAt(double time) const;
  /// The value now (os::currentTime), as an integer (rounded) when `integral`, else a real.
  Value currentValue(bool integral) const;

  bool hasIntegralBase() const { return integralBase_; }

 private:
  double base_ = 0;
  double amplitude_ = 0;
  double period_ = 0;
  double noise_ = 0;
  bool integralBase_ = false;
};

}  // namespace sw::sim
