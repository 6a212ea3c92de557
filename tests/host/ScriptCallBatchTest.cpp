// Splitting a batch into the bodies of single calls: where one element ends, which faults spoil
// the whole batch and which only their own element.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "host/ScriptCallBatch.h"

namespace sw::host {
namespace {

/// Each element as "name(args)" or "error: <text>".
std::vector<std::string> described(const std::vector<BatchElement>& elements) {
  std::vector<std::string> texts;
  for (const BatchElement& element : elements) {
    if (const auto* error = std::get_if<std::string>(&element)) {
      texts.push_back("error: " + *error);
    } else {
      const auto& call = std::get<ScriptCallRequest>(element);
      texts.push_back(call.name + call.arguments.dump());
    }
  }
  return texts;
}

TEST(ScriptCallBatch, ElementsEndAtTopLevelCommasOnlyAndABadElementSpoilsOnlyItself) {
  const std::pair<std::string, std::vector<std::string>> kCases[] = {
      {"[]", {}},
      {" [ ] ", {}},
      {R"([{"call": "a", "args": ["x,]}", 1]}, {"call": "b"}])", {R"(a["x,]}",1])", "b[]"}},
      {R"([{"call": "a", "args": ["\",["]}])", {R"(a["\",["])"}},  // an escaped quote inside a string
      {R"([{"call": "a"}, {"call": "no such name!"}, 7, {"call": "b"}])",
       {"a[]", "error: \"call\" must name a script operation", "error: the request must be a JSON object", "b[]"}},
      {R"([{"call": "a"},, {"call": "b"}])", {"a[]", "error: the request body is not JSON", "b[]"}},
      {R"([{"call": "a"} {"call": "b"}])", {"error: the request body is not JSON"}},  // a missing comma
      {R"([{"call": "a", "args": [[1]]}])", {"error: \"args\" must be an array of numbers, booleans and strings (at most 1024 bytes, no control characters)"}},
  };
  for (const auto& [body, expected] : kCases) {
    auto parsed = parseScriptCallBatch(body);
    ASSERT_TRUE(std::holds_alternative<std::vector<BatchElement>>(parsed)) << body;
    EXPECT_EQ(described(std::get<std::vector<BatchElement>>(parsed)), expected) << body;
  }
}

TEST(ScriptCallBatch, RefusesWholeBodiesThatAreNoArrayOfAtMost64Calls) {
  auto callsOf = [](int count) {
    std::string body = "[";
    for (int i = 0; i < count; ++i) body += std::string(i ? "," : "") + R"({"call": "numberOfAvailableSensors"})";
    return body + "]";
  };
  const std::pair<std::string, std::string> kCases[] = {
      {"", "a batch must be a JSON array of calls"},
      {R"({"call": "a"})", "a batch must be a JSON array of calls"},
      {R"([{"call": "a"}] [])", "a batch must be a JSON array of calls"},
      {R"([{"call": "a"])", "a batch must be a JSON array of calls"},  // brackets that do not pair
      {R"([{"call": "a]}])", "a batch must be a JSON array of calls"},  // a string left open
      {R"([{"call": "a"}]})", "a batch must be a JSON array of calls"},
      {"[" + std::string(30000, '[') + std::string(30000, ']') + "]", "the request nests too deeply"},
      {callsOf(65), "a batch holds at most 64 calls"},
  };
  for (const auto& [body, error] : kCases) {
    auto parsed = parseScriptCallBatch(body);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << body.substr(0, 80);
    EXPECT_EQ(std::get<std::string>(parsed), error) << body.substr(0, 80);
  }
  auto full = parseScriptCallBatch(callsOf(64));
  ASSERT_TRUE(std::holds_alternative<std::vector<BatchElement>>(full));
  EXPECT_EQ(std::get<std::vector<BatchElement>>(full).size(), 64u);
}

}  // namespace
}  // namespace sw::host
