// Per-key value cache with one class-wide expiry time.
#include "smc/TKSSMCCachedValue.h"

#include "foundation/ProcessWide.h"
#include "os/Clock.h"

namespace sw {
namespace {
constexpr double kDefaultExpireTime = 1.0;

double& expireTime() {
  static ProcessWide<double> seconds([] { return kDefaultExpireTime; });
  return seconds.get();
}
}  // namespace

void TKSSMCCachedValue::setCacheExpireTime(double seconds) {
  if (seconds > 0) expireTime() = seconds;  // false for NaN as well
}

double TKSSMCCachedValue::cacheExpireTime() { return expireTime(); }

void TKSSMCCachedValue::setCachedValue(const TKSSMCValue& value) {
  value_ = value;
  timestamp_ = os::currentTime();
}

bool TKSSMCCachedValue::isValid() const {
  if (timestamp_ == 0.0) return false;
  return os::currentTime() - timestamp_ <= expireTime();
}

}  // namespace sw
