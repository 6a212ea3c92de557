// The plug-in's own texts.
#include "widget/WidgetStrings.h"

#include "foundation/ProcessWide.h"
#include "os/Bundle.h"

namespace sw::widget {

namespace {
constexpr std::string_view kLocationsTable = "SensorLocations";
constexpr std::string_view kDefaultTable = "";
}  // namespace

std::string localizedString(std::string_view key, std::string_view defaultText) {
  return os::Bundle::pluginBundle().localizedStringForKey(key, defaultText.empty() ? key : defaultText,
                                                          kDefaultTable);
}

std::string localizedLocationName(std::string_view locationIdentifier) {
  const std::string displayKey =
      os::Bundle::pluginBundle().localizedStringForKey(locationIdentifier, locationIdentifier, kLocationsTable);
  return localizedString(displayKey);
}

const std::string& localizedEllipsis() {
  static ProcessWide<std::string> ellipsis([] { return localizedString("ELLIPSIS", "..."); });
  return ellipsis.get();
}

}  // namespace sw::widget
