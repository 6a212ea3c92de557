// A refresh's calls in one request: a JSON array whose elements are the bodies that single
// calls send, answered in order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/ScriptCallRequest.h"

namespace sw::host {

/// The most calls one batch may hold: a page's refresh needs seven.
inline constexpr std::size_t kMaxBatchCalls = 64;

/// One element of a batch: the call, or the text that says what is wrong with it.
using BatchElement = std::variant<ScriptCallRequest, std::string>;

/// Splits a JSON array into its elements and checks each exactly as the body of a single call
/// is checked (parseScriptCallRequest), so that a bad element carries its own error and the
/// others still stand. The whole body is refused, with the text that says why, when it is not
/// a JSON array, nests too deeply or holds more than kMaxBatchCalls elements.
std::variant<std::vector<BatchElement>, std::string> parseScriptCallBatch(std::string_view body);

}  // namespace sw::host
