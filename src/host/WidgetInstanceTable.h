// The widget instances the host keeps alive: one plug-in controller per instance identifier,
// and the one lock through which every call into the plug-in passes.
#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace sw::host {

class WidgetInstanceTable {
 public:
  /// Answers one script call of an instance; owns the instance's controller, which is released
  /// when the function is destroyed.
  using ScriptCall = std::function<nlohmann::json(std::string_view name, const nlohmann::json& arguments)>;
  /// Creates the controller of a new instance; an empty function when it cannot be made.
  using Factory = std::function<ScriptCall()>;
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  struct Limits {
    std::size_t maxInstances = 512;
    /// An instance not called for this long is released: its page went away without saying so.
    std::chrono::seconds idleTimeout{std::chrono::minutes(10)};
  };

  enum class OpenResult { created, existing, tableFull, creationFailed };

  WidgetInstanceTable(Factory factory, Limits limits, Clock clock = std::chrono::steady_clock::now);
  /// Releases every controller, under the lock like every other plug-in call.
  ~WidgetInstanceTable();
  WidgetInstanceTable(const WidgetInstanceTable&) = delete;
  WidgetInstanceTable& operator=(const WidgetInstanceTable&) = delete;

  /// Makes sure the instance exists, creating its controller when it does not.
  OpenResult open(const std::string& identifier);
  /// The dispatcher's answer, or nothing when the instance does not exist (never opened,
  /// closed, or released for idleness).
  std::optional<nlohmann::json> call(const std::string& identifier, std::string_view name,
                                     const nlohmann::json& arguments);
  /// Hands the instance's script call to `use` under one hold of the lock, so that a batch of
  /// calls runs without another request in between; false, without calling `use`, when the
  /// instance does not exist.
  bool withInstance(const std::string& identifier, const std::function<void(const ScriptCall&)>& use);
  /// Releases the instance's controller; false when there was none.
  bool close(const std::string& identifier);
  std::size_t size();
  /// Runs work that calls into the plug-in outside any instance, under the same lock.
  void withPluginLock(const std::function<void()>& work);

 private:
  struct Instance {
    ScriptCall call;
    std::chrono::steady_clock::time_point lastUsed;
  };

  void releaseIdleInstances(std::chrono::steady_clock::time_point now);
  /// The instance, marked as used now, after releasing those left idle; nullptr when none.
  Instance* findInUse(const std::string& identifier);

  Factory factory_;
  Limits limits_;
  Clock clock_;
  // The plug-in is single-threaded: this lock is held for every creation, call and release of a
  // controller, and it also guards the table.
  std::mutex pluginLock_;
  std::map<std::string, Instance, std::less<>> instances_;
  std::chrono::steady_clock::time_point nextIdleScan_{};
};

}  // namespace sw::host
