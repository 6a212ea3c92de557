// The one way a controller comes to life, shared by the widget host and the command line, so
// that both see exactly what a widget sees.
#pragma once

#include <memory>

namespace sw {
class PluginController;
class WebView;
}  // namespace sw

namespace sw::host {

/// Loads the sensor classes (once per process), creates the controller for the page as the
/// widget host does — sensor discovery, sorting and the model check happen here — and publishes
/// it to the page's script. The page keeps only a weak reference: the caller owns the controller.
std::shared_ptr<PluginController> createControllerForPage(WebView& page);

}  // namespace sw::host
