// The recent-history side of a widget instance: its readings feed the shared rings, and the
// host's history route asks it for the rings of its display positions.
#pragma once

#include <nlohmann/json.hpp>

#include <string_view>

#include "host/RecentHistory.h"

namespace sw {
class PluginController;
}

namespace sw::host {

/// The call the history route hands to an instance. No page can send it: a call's name must be
/// a plain word (ScriptCallRequest.h). Its one argument is a display position, or -1 for both.
inline constexpr std::string_view kRecentHistoryCall = "#recentHistory";

/// Answers a call as dispatchScriptCall does. A reading of a display position is read from its
/// sensor once, and that raw value both makes the answer and goes into the history (when the
/// instance shows history). kRecentHistoryCall is answered with
///   {"result": {"intervalSeconds": 2, "showsRecentHistory": bool,
///               "positions": [{"position": p, "samples": [value or null, ...oldest first],
///                              "minimum": "<reading text>" or null, "maximum": ...}, ...]}}
/// where values are in the instance's temperature scale (other quantities in their own unit).
nlohmann::json dispatchWithHistory(PluginController& controller, RecentHistory& history, std::string_view name,
                                   const nlohmann::json& arguments);

}  // namespace sw::host
