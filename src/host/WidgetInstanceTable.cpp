// The widget host's table of live widget instances.
#include "host/WidgetInstanceTable.h"

#include <iterator>
#include <utility>

namespace sw::host {

WidgetInstanceTable::WidgetInstanceTable(Factory factory, Limits limits, Clock clock)
    : factory_(std::move(factory)), limits_(limits), clock_(std::move(clock)) {}

WidgetInstanceTable::~WidgetInstanceTable() {
  std::lock_guard lock(pluginLock_);
  instances_.clear();
}

WidgetInstanceTable::OpenResult WidgetInstanceTable::open(const std::string& identifier) {
  std::lock_guard lock(pluginLock_);
  auto now = clock_();
  releaseIdleInstances(now);
  if (auto found = instances_.find(identifier); found != instances_.end()) {
    found->second.lastUsed = now;
    return OpenResult::existing;
  }
  if (instances_.size() >= limits_.maxInstances) return OpenResult::tableFull;
  ScriptCall call = factory_();
  if (!call) return OpenResult::creationFailed;
  instances_.emplace(identifier, Instance{std::move(call), now});
  return OpenResult::created;
}

std::optional<nlohmann::json> WidgetInstanceTable::call(const std::string& identifier, std::string_view name,
                                                        const nlohmann::json& arguments) {
  std::optional<nlohmann::json> answer;
  withInstance(identifier, [&](const ScriptCall& call) { answer = call(name, arguments); });
  return answer;
}

bool WidgetInstanceTable::withInstance(const std::string& identifier,
                                       const std::function<void(const ScriptCall&)>& use) {
  std::lock_guard lock(pluginLock_);
  Instance* instance = findInUse(identifier);
  if (instance == nullptr) return false;
  use(instance->call);
  return true;
}

WidgetInstanceTable::Instance* WidgetInstanceTable::findInUse(const std::string& identifier) {
  auto now = clock_();
  releaseIdleInstances(now);
  auto found = instances_.find(identifier);
  if (found == instances_.end()) return nullptr;
  found->second.lastUsed = now;
  return &found->second;
}

bool WidgetInstanceTable::close(const std::string& identifier) {
  std::lock_guard lock(pluginLock_);
  return instances_.erase(identifier) > 0;
}

std::size_t WidgetInstanceTable::size() {
  std::lock_guard lock(pluginLock_);
  return instances_.size();
}

void WidgetInstanceTable::releaseIdleInstances(std::chrono::steady_clock::time_point now) {
  // Looking through hundreds of instances on every call would cost more than the call; an
  // instance released a second late does no harm.
  if (now < nextIdleScan_) return;
  nextIdleScan_ = now + std::chrono::seconds(1);
  for (auto it = instances_.begin(); it != instances_.end();) {
    it = now - it->second.lastUsed >= limits_.idleTimeout ? instances_.erase(it) : std::next(it);
  }
}

void WidgetInstanceTable::withPluginLock(const std::function<void()>& work) {
  std::lock_guard lock(pluginLock_);
  work();
}

}  // namespace sw::host
