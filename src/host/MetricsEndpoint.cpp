#include "host/MetricsEndpoint.h"

#include "host/ControllerFactory.h"
#include "host/OpenMetrics.h"
#include "widget/PluginController.h"

namespace sw::host {

MetricsEndpoint::~MetricsEndpoint() {
  instances_.withPluginLock([this] { controller_.reset(); });
}

std::optional<std::string> MetricsEndpoint::scrape() {
  std::optional<std::string> text;
  instances_.withPluginLock([this, &text] {
    if (!controller_) controller_ = createControllerForPage(page_);
    if (controller_) text = openMetricsText(*controller_);
  });
  return text;
}

}  // namespace sw::host
