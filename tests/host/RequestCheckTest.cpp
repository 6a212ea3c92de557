// What the host accepts from the network before anything reaches the plug-in: call bodies,
// Host and Origin headers, and paths of the page's files.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "host/LoopbackHeaders.h"
#include "host/ScriptCallRequest.h"
#include "host/WebFiles.h"

namespace sw::host {
namespace {

TEST(ScriptCallRequest, RefusesBodiesThatAreNotACall) {
  const std::string tooDeep = R"({"call": "logDebugString", "args": )" + std::string(30000, '[') + std::string(30000, ']') + "}";
  const std::string tooLarge = R"({"call": "logDebugString", "args": [")" + std::string(kMaxRequestBodyBytes, 'x') + "\"]}";
  const std::string bodies[] = {
      "",
      R"({"args": []})",                                // no name
      R"({"call": 7})",                                 // name not a string
      R"({"call": "../numberOfAvailableSensors"})",     // not a plain word
      R"({"call": "numberOfAvailableSensors", "args": 1})",
      R"({"call": "numberOfAvailableSensors", "args": [[1]]})",
      R"({"call": "numberOfAvailableSensors", "args": [1, 2, 3, 4, 5]})",
      R"({"call": "numberOfAvailableSensors", "extra": true})",
      "{\"call\": \"logDebugString\", \"args\": [\"\xff\xfe\"]}",  // not UTF-8
      tooDeep,
      tooLarge,
  };
  for (const std::string& body : bodies) {
    EXPECT_TRUE(std::holds_alternative<std::string>(parseScriptCallRequest(body))) << body.substr(0, 80);
  }
  EXPECT_EQ(std::get<std::string>(parseScriptCallRequest(tooDeep)), "the request nests too deeply") << "without recursing";
  EXPECT_EQ(std::get<std::string>(parseScriptCallRequest(tooLarge)), "the request body is too large");
}

TEST(ScriptCallRequest, BracketsInsideStringsAreNotNesting) {
  EXPECT_FALSE(jsonNestsDeeperThan(R"({"args": ["[[[[[[", "\"[[[[[["]})", 2));
  auto parsed = parseScriptCallRequest(R"({"call": "logDebugString", "args": ["[[[[[[[[{{{{{{{{"]})");
  EXPECT_TRUE(std::holds_alternative<ScriptCallRequest>(parsed));
}

// Texts become keys of the stored settings: what the settings file cannot keep, or another
// property-list reader would refuse, is turned away before it reaches the widget.
TEST(ScriptCallRequest, TextArgumentsTheSettingsCannotKeepAreRefused) {
  const auto callWith = [](const std::string& jsonText) {
    return parseScriptCallRequest(R"({"call": "setWidgetIdentifier", "args": [)" + jsonText + "]}");
  };
  const std::pair<std::string, bool> cases[] = {
      {R"("w\u0000x")", false},                                  // a NUL would collapse two keys
      {R"("w\u0001")", false},   {R"("w\t1")", false}, {R"("w\n1")", false}, {R"("w\r")", false},
      {R"("w\u007f")", false},                                   // DEL
      {"\"" + std::string(kMaxArgumentTextBytes + 1, 'w') + "\"", false},  // longer than a key may be
      {"\"" + std::string(kMaxArgumentTextBytes, 'w') + "\"", true},
      {R"("Lüfter 😀 \u00e9\u0301 \ufffe")", true},             // any other Unicode is stored as it is
      {R"("")", true},
  };
  for (const auto& [text, accepted] : cases) {
    const auto parsed = callWith(text);
    EXPECT_EQ(std::holds_alternative<ScriptCallRequest>(parsed), accepted) << text.substr(0, 40);
  }
}

TEST(ScriptLineReader, LinesAreCutAtLineFeedsAndAnOverlongLineKeepsNothing) {
  std::istringstream input("first\r\n\n" + std::string(kMaxRequestBodyBytes + 1, '[') + "\nlast" +
                           std::string("\nexactly ") + std::string(kMaxRequestBodyBytes - 8, 'x'));
  std::vector<std::pair<std::string, bool>> lines;
  while (auto line = readScriptLine(input)) lines.emplace_back(line->text.substr(0, 20), line->tooLong);
  const std::vector<std::pair<std::string, bool>> expected = {
      {"first\r", false}, {"", false}, {"", true}, {"last", false}, {"exactly xxxxxxxxxxxx", false}};
  EXPECT_EQ(lines, expected);
}

TEST(LoopbackHeaders, OnlyLoopbackNamesWithThePortPass) {
  const struct {
    const char* header;
    int port;
    bool loopback;
  } cases[] = {
      {"LOCALHOST:8080", 8080, true},   {"[::1]:8080", 8080, true},       {"127.0.0.1", 80, true},
      {"127.0.0.1", 8080, false},       {"127.0.0.1:08080", 8080, false}, {"127.0.0.1:8080x", 8080, false},
      {"localhost.evil.example:8080", 8080, false}, {"127.0.0.1.evil.example", 80, false},
      {"127.0.0.2:8080", 8080, false},  {"", 8080, false},               {"127.0.0.1:99999999999999", 8080, false},
  };
  for (const auto& c : cases) EXPECT_EQ(isLoopbackHost(c.header, c.port), c.loopback) << c.header;
}

TEST(LoopbackHeaders, OriginMustBeThePlainHttpSiteOfTheHost) {
  EXPECT_TRUE(isLoopbackOrigin("http://localhost:8080", 8080));
  const char* foreign[] = {"null", "", "http://", "https://127.0.0.1:8080", "http://127.0.0.1:8080/",
                           "http://evil.example:8080", "http://127.0.0.1:8081", "file://"};
  for (const char* origin : foreign) EXPECT_FALSE(isLoopbackOrigin(origin, 8080)) << origin;
}

TEST(WebFiles, ThePageIsServedAtTheRootAndEveryFileWithItsContentType) {
  const std::pair<const char*, const char*> types[] = {
      {"/", "text/html; charset=utf-8"}, {"/widget.css", "text/css; charset=utf-8"},
      {"/widget.js", "text/javascript; charset=utf-8"}, {"/Images/TFan.png", "image/png"}};
  for (const auto& [path, contentType] : types) {
    auto file = findWebFile(path);
    ASSERT_TRUE(file.has_value()) << path;
    EXPECT_EQ(file->contentType, contentType) << path;
  }
  EXPECT_EQ(findWebFile("/Images/TTemp.png")->contents.substr(1, 3), "PNG");
}

TEST(WebFiles, NoPathLeavesTheWebFolder) {
  const char* paths[] = {
      "/Images/../../resources", "/..", "/./index.html", "//index.html", "/Images/", "index.html", "",
      "/web/index.html", "/..%2findex.html", "/Images\\..\\index.html", "/Images/src/TTemp.svg", "/.hidden",
  };
  for (const char* path : paths) EXPECT_FALSE(findWebFile(path).has_value()) << path;
  EXPECT_FALSE(findWebFile(std::string_view("/index.html\0", 12)).has_value());
  EXPECT_FALSE(findWebFile("/" + std::string(300, 'a')).has_value());
}

}  // namespace
}  // namespace sw::host
