// The one list of script operations: the dispatcher hands each operation exactly as many
// arguments, of exactly the kinds, as its entry declares, so an entry whose parameters disagree
// with its selector or with what it runs would read past the arguments or take the wrong kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "widget/ScriptOperations.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class ScriptOperationsTest : public WidgetTestMachine {};

widget::ScriptArgument sampleArgument(widget::ScriptParameter parameter) {
  switch (parameter) {
    case widget::ScriptParameter::Text: return std::string("w1");
    case widget::ScriptParameter::Integer: return std::int32_t{0};
    case widget::ScriptParameter::Float: return 100.0f;
    case widget::ScriptParameter::Boolean: return true;
  }
  return {};
}

TEST_F(ScriptOperationsTest, EveryOperationRunsWithTheArgumentsItsSelectorDeclaresUnderOneScriptName) {
  useTemperatureSensors(2);
  auto controller = startedController();
  std::set<std::string_view> scriptNames;
  for (const widget::ScriptOperation& operation : widget::scriptOperations()) {
    SCOPED_TRACE(std::string(operation.selector));
    EXPECT_EQ(static_cast<std::size_t>(std::count(operation.selector.begin(), operation.selector.end(), ':')),
              operation.parameters.size());
    EXPECT_TRUE(scriptNames.insert(operation.scriptName).second) << "a second operation hides this one";
    EXPECT_FALSE(PluginController::isSelectorExcludedFromWebScript(operation.selector));
    EXPECT_EQ(PluginController::webScriptNameForSelector(operation.selector), std::string(operation.scriptName));
    // Exactly as many arguments as declared, each in a vector of its own size, so that a read
    // past them or of another kind fails here (under the sanitizers too) instead of in a request.
    std::vector<widget::ScriptArgument> arguments;
    for (widget::ScriptParameter parameter : operation.parameters) arguments.push_back(sampleArgument(parameter));
    EXPECT_NO_THROW(operation.invoke(*controller, arguments));
  }
  EXPECT_TRUE(PluginController::isSelectorExcludedFromWebScript("writePreferences"));
  EXPECT_TRUE(PluginController::isSelectorExcludedFromWebScript("setWidgetIdentifier"));  // no colon: another selector
}

}  // namespace
}  // namespace sw::test
