// `sensorwidget ioreg`: the simulated machine's registry as a tree.
#include "cli/IoregCommand.h"

#include <fmt/format.h>

#include <algorithm>
#include <iostream>

#include "cli/CommonOptions.h"

namespace sw::cli {
namespace {

/// Data that holds one zero-terminated printable text reads better as that text.
bool isText(const Data& bytes) {
  if (bytes.size() < 2 || bytes.back() != 0) return false;
  return std::all_of(bytes.begin(), bytes.end() - 1, [](std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F; });
}

std::string dataText(const Data& bytes) {
  if (isText(bytes)) return "<\"" + std::string(bytes.begin(), bytes.end() - 1) + "\">";
  std::string hex;
  for (std::uint8_t byte : bytes) hex += fmt::format("{:02x}", byte);
  return "<" + hex + ">";
}

void appendEntry(const sim::RegistryEntry& entry, std::size_t depth, std::string& text) {
  std::string indent(2 * depth, ' ');
  std::string name = entry.location.empty() ? entry.name : entry.name + "@" + entry.location;
  text += fmt::format("{}+-o {}  <class {}>\n", indent, name, entry.className);
  for (const auto& [key, value] : entry.currentProperties()) {
    text += fmt::format("{}    \"{}\" = {}\n", indent, key, ioregValueText(value));
  }
  for (const auto& child : entry.children) appendEntry(*child, depth + 1, text);
}

}  // namespace

std::string ioregValueText(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::String:
      return "\"" + *value.asString() + "\"";
    case Value::Kind::Integer:
      return value.description();  // an unsigned integer prints as the unsigned number
    case Value::Kind::Real:
      return fmt::format("{}", *value.asReal());
    case Value::Kind::Boolean:
      return *value.asBoolean() ? "Yes" : "No";
    case Value::Kind::Data:
      return dataText(*value.asData());
    case Value::Kind::Dictionary: {
      std::vector<std::string> items;
      for (const auto& [key, item] : *value.asDictionary()) items.push_back("\"" + key + "\"=" + ioregValueText(item));
      return "{" + fmt::format("{}", fmt::join(items, ",")) + "}";
    }
    case Value::Kind::Array: {
      std::vector<std::string> items;
      for (const Value& item : *value.asArray()) items.push_back(ioregValueText(item));
      return "(" + fmt::format("{}", fmt::join(items, ",")) + ")";
    }
    case Value::Kind::Date:
      return value.description();
  }
  return "";
}

std::string ioregTree(const sim::RegistryEntry& root) {
  std::string text;
  appendEntry(root, 0, text);
  return text;
}

void addIoregCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("ioreg", "show the machine's registry as a tree");
  auto plane = std::make_shared<std::string>(os::kIOServicePlane);
  command->add_option("-p,--plane", *plane, "the plane to show")
      ->check(CLI::IsMember({os::kIOServicePlane, os::kIODeviceTreePlane}));
  command->callback([&options, plane] {
    const sim::RegistryEntry* root = options.installMachine().planeRoot(*plane);
    if (root != nullptr) std::cout << ioregTree(*root);
  });
}

}  // namespace sw::cli
