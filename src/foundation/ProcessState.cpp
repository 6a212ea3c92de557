// Registered resets of process-wide state.
#include "foundation/ProcessState.h"

#include <vector>

namespace sw {
namespace {
std::vector<std::function<void()>>& resets() {
  static std::vector<std::function<void()>> list;
  return list;
}
}  // namespace

void registerProcessStateReset(std::function<void()> reset) { resets().push_back(std::move(reset)); }

void resetProcessState() {
  // Resets may create state again (and register anew); run a snapshot and start a fresh list.
  std::vector<std::function<void()>> pending;
  pending.swap(resets());
  for (auto it = pending.rbegin(); it != pending.rend(); ++it) (*it)();
}

}  // namespace sw
