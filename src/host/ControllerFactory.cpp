// Creating a controller exactly as the widget host does.
#include "host/ControllerFactory.h"

#include "widget/PluginController.h"
#include "widget/SensorClassLoading.h"
#include "widget/WebView.h"

namespace sw::host {

std::shared_ptr<PluginController> createControllerForPage(WebView& page) {
  registerSensorClasses();
  auto controller = PluginController::initWithWebView(page);
  controller->windowScriptObjectAvailable(page.windowScriptObject());
  return controller;
}

}  // namespace sw::host
