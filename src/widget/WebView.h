// The host's side of a widget page, as the controller sees it: a web view whose window object
// carries the names under which the page's script finds its plug-in objects.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace sw {

class PluginController;

/// The page's global window object. Published objects are held weakly: the host owns each
/// controller, and a released controller simply disappears from the page.
class WebScriptObject {
 public:
  void setValueForKey(std::weak_ptr<PluginController> value, std::string_view key) {
    values_[std::string(key)] = std::move(value);
  }
  /// The object published under the key, or null when none is (or it has been released).
  std::shared_ptr<PluginController> valueForKey(std::string_view key) const {
    auto found = values_.find(key);
    return found == values_.end() ? nullptr : found->second.lock();
  }

 private:
  std::map<std::string, std::weak_ptr<PluginController>, std::less<>> values_;
};

/// One widget instance's page: the host creates one per instance.
class WebView {
 public:
  WebScriptObject& windowScriptObject() { return window_; }

 private:
  WebScriptObject window_;
};

}  // namespace sw
