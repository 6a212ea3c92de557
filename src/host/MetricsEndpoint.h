// What `GET /metrics` answers: the sensors of one controller kept for the scrapes, read under
// the widget instances' plug-in lock, so that scrapes and widgets share the plug-in's one
// thread and its caches (a scrape costs no more controller calls than a widget refresh).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/WidgetInstanceTable.h"
#include "widget/WebView.h"

namespace sw {
class PluginController;
}

namespace sw::host {

class MetricsEndpoint {
 public:
  explicit MetricsEndpoint(WidgetInstanceTable& instances) : instances_(instances) {}
  /// The controller goes under the lock, like every other.
  ~MetricsEndpoint();
  MetricsEndpoint(const MetricsEndpoint&) = delete;
  MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

  /// The OpenMetrics text; nothing when no controller can be made.
  std::optional<std::string> scrape();

 private:
  WidgetInstanceTable& instances_;
  WebView page_;
  std::shared_ptr<PluginController> controller_;
};

}  // namespace sw::host
