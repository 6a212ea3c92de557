// The one system-log function. Messages go to syslog(3); the command line adds stderr with
// --verbose; tests capture them to assert on the exact texts.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace sw::os {

/// Logs one message. Messages normally end in a line feed, as the platform's log texts do.
void systemLog(std::string_view message);

/// Where messages go besides syslog.
void setLogToStandardError(bool enabled);
void setLogToSyslog(bool enabled);

/// Collects every message logged while it lives (and keeps them from syslog), for tests.
class CapturedLog {
 public:
  CapturedLog();
  ~CapturedLog();
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  const std::vector<std::string>& messages() const { return messages_; }
  bool contains(std::string_view message) const;
  void append(std::string_view message) { messages_.emplace_back(message); }

 private:
  std::vector<std::string> messages_;
  CapturedLog* previous_;
};

}  // namespace sw::os
