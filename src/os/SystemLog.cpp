// The system log: syslog, optionally stderr, and a capture for tests.
#include "os/SystemLog.h"

#include <syslog.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace sw::os {
namespace {
struct LogSinks {
  bool toSyslog = true;
  bool toStandardError = false;
  CapturedLog* capture = nullptr;
};

LogSinks& sinks() {
  static LogSinks state;
  return state;
}
}  // namespace

void systemLog(std::string_view message) {
  LogSinks& state = sinks();
  if (state.capture != nullptr) {
    state.capture->append(message);
    return;
  }
  if (state.toStandardError) {
    std::fwrite(message.data(), 1, message.size(), stderr);
    if (message.empty() || message.back() != '\n') std::fputc('\n', stderr);
  }
  if (state.toSyslog) {
    std::string text(message);
    syslog(LOG_NOTICE, "%s", text.c_str());
  }
}

void setLogToStandardError(bool enabled) { sinks().toStandardError = enabled; }
void setLogToSyslog(bool enabled) { sinks().toSyslog = enabled; }

CapturedLog::CapturedLog() : previous_(sinks().capture) { sinks().capture = this; }
CapturedLog::~CapturedLog() { sinks().capture = previous_; }

bool CapturedLog::contains(std::string_view message) const {
  return std::find(messages_.begin(), messages_.end(), message) != messages_.end();
}

}  // namespace sw::os
