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
/// a plain word (ScriptCallRequest.h). Its arguments: a display position, or -1 for both; and
/// optionally how many of the newest samples to send (1 to 300; all without it).
inline constexpr std::string_view kRecentHistoryCall = "#recentHistory";

/// Answers a call as dispatchScriptCall does. A reading of a display position is read from its
/// sensor once, and that raw value both makes the answer and goes into the history (when the
/// instance shows history). kRecentHistoryCall is answered with
///   {"result": {"intervalSeconds": 2, "showsRecentHistory": bool, "scale": 0|1|2,
///               "positions": [{"position": p, "ring": n or null, "end": n or null,
///                              "samples": [value or null, ...oldest first],
///                              "minimum": "<reading text>" or null, "maximum": ...}, ...]}}
/// where values are in the instance's temperature scale (other quantities in their own unit),
/// "ring" names the sensor's ring and "end" numbers the interval of the newest sample. Minimum and
/// maximum are always those of the whole ring. A page that keeps the whole ring asks for the few
/// newest samples each refresh and adds them to its copy while ring and scale stay the same and
/// end has moved on by less than it asked for; otherwise it asks for all again.
nlohmann::json dispatchWithHistory(PluginController& controller, RecentHistory& history, std::string_view name,
                                   const nlohmann::json& arguments);

}  // namespace sw::host
