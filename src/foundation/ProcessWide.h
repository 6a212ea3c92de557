// A process-wide value that forgets itself on resetProcessState() and is made afresh on its
// next use, registering its reset again each time it is made.
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "foundation/ProcessState.h"

namespace sw {

template <typename T>
class ProcessWide {
 public:
  ProcessWide() : make_([] { return T{}; }) {}
  explicit ProcessWide(std::function<T()> make) : make_(std::move(make)) {}
  ProcessWide(const ProcessWide&) = delete;
  ProcessWide& operator=(const ProcessWide&) = delete;

  /// The value; made on first use after start-up or after a reset. Keep instances in static
  /// storage: the registered reset refers to this object.
  T& get() {
    if (!value_) {
      value_.emplace(make_());
      registerProcessStateReset([this] { value_.reset(); });
    }
    return *value_;
  }

 private:
  std::function<T()> make_;
  std::optional<T> value_;
};

}  // namespace sw
