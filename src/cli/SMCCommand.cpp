// `sensorwidget smc`: every key of the machine's controller with its type, size, decoded value
// and bytes; with --import, a controller key listing turned into a profile's key list.
#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/PropertyListSerialization.h"
#include "cli/CommonOptions.h"
#include "sim/SMCListing.h"
#include "smc/SMCValueDecoding.h"
#include "smc/TKSSystemManagementController.h"

namespace sw::cli {
namespace {

constexpr int kUnusableInput = 1;

/// Texts of the controller may hold zero bytes and other control characters; they print as dots.
std::string printable(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '.');
  return text;
}

std::string keyLine(TKSSystemManagementController& smc, const std::string& key) {
  TKSSMCValue value;
  if (!smc.getValueForKey(&value, smc::fourCharCodeForKeyString(key))) return fmt::format("  {}  (unreadable)\n", key);
  Data bytes(value.bytes.begin(), value.bytes.begin() + std::min<std::size_t>(value.dataSize, value.bytes.size()));
  return fmt::format("  {}  [{}]  {:2}  {}  (bytes {})\n", key, smc::stringForFourCharCode(value.dataType), value.dataSize,
                     printable(smc::descriptionForSMCValue(value).value_or("-")), smc::readableHexStringForData(bytes));
}

void listKeys(CommonOptions& options) {
  options.installMachine();
  auto smc = TKSSystemManagementController::sharedSystemManagementController();
  if (!smc) {
    std::cout << "This machine has no System Management Controller.\n";
    return;
  }
  std::vector<std::string> keys = smc->allPropertyKeys();
  std::cout << fmt::format("SMC version {}, {} keys\n", smc->versionNumber().value_or("unknown"), keys.size());
  for (const std::string& key : keys) std::cout << keyLine(*smc, key);
}

void importListing(const std::string& path, bool withSignals) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string error = "cannot be read";
  std::optional<std::vector<sim::SMCListingKey>> keys = file ? sim::parseSMCListing(text.str(), &error) : std::nullopt;
  if (!keys) {
    std::cerr << fmt::format("sensorwidget: {}: {}\n", path, error);
    throw CLI::RuntimeError(kUnusableInput);
  }
  Array entries = sim::smcKeysFromListing(*keys, withSignals ? sim::SMCListingSignals::Added : sim::SMCListingSignals::None);
  Data plist = PropertyListSerialization::dataFromPropertyList(Value(std::move(entries)), PropertyListSerialization::Format::XML);
  std::cout.write(reinterpret_cast<const char*>(plist.data()), std::streamsize(plist.size()));
}

}  // namespace

void addSMCCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("smc", "list the SMC keys, or convert a key listing into profile keys");
  auto listing = std::make_shared<std::string>();
  auto withSignals = std::make_shared<bool>(false);
  command->add_option("--import", *listing, "a key listing of a real controller, printed as an @SMCKeys array");
  command->add_flag("--signals", *withSignals, "with --import: let temperatures, fan speeds and powers move");
  command->callback([&options, listing, withSignals] {
    if (listing->empty()) {
      listKeys(options);
    } else {
      importListing(*listing, *withSignals);
    }
  });
}

}  // namespace sw::cli
