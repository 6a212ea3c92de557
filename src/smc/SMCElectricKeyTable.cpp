// The electric key table. The first key character says what is measured and plays no part
// here; the second names the part of the machine.
#include "smc/SMCElectricKeyTable.h"

#include <algorithm>
#include <array>

#include "smc/SMCKeyTable.h"

namespace sw::smc {
namespace {

using C = SMCKeyContext;
using Characters = std::vector<char16_t>;

// These machines report their processor and input rails under keys that mean something else on
// the others, so those rows are left out for them.
bool onMacBookPro8(const C& c) { return c.modelBeginsWith("MacBookPro8"); }
bool isPackageDigit(char16_t d) { return d >= u'0' && d <= u'8'; }

Characters nextD(const C& c) { return {next(c.d)}; }
Characters sameD(const C& c) { return {c.d}; }
/// Slots A-D are the slots 1-4.
Characters slotNumber(const C& c) { return {c.d >= u'A' && c.d <= u'D' ? offset(c.d, -16) : c.d}; }
Characters supplyAndLine(const C& c) {
  int n = c.d - u'0';
  return {offset(u'1', n / 2), offset(u'1', n % 2)};
}

const std::array kRows = {
    SMCLocationRow{u'B', [](const C& c) { return c.d == u'0' && c.s == u'R'; }, "SMC BATTERY I-SENSE"},
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'B'; }, "SMC CPU %C FRONT SIDE BUS TERMINATION", sameD},
    // A digit below the package count is a processor; above it, one of the processor supplies.
    SMCLocationRow{u'C',
                   [](const C& c) {
                     return c.s == u'C' && isPackageDigit(c.d) && unsigned(c.d - u'0') < c.packages && !onMacBookPro8(c);
                   },
                   "SMC CPU %C", [](const C& c) { return Characters{offset(c.d, 17)}; }},
    SMCLocationRow{u'C',
                   [](const C& c) {
                     return c.s == u'C' && isPackageDigit(c.d) && unsigned(c.d - u'0') >= c.packages && !onMacBookPro8(c);
                   },
                   "SMC CPU SUPPLY %C", sameD},
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'C' && !isPackageDigit(c.d) && c.d != u'P' && !onMacBookPro8(c); },
                   "SMC CPU %C", sameD},
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'c'; }, "SMC CPU VOLTAGE SENSE"},
    SMCLocationRow{u'C', [](const C& c) { return c.d == u'0' && c.s == u'R'; }, "SMC CPU HIGH SIDE"},
    SMCLocationRow{u'D', [](const C& c) { return c.d == u'0' && c.s == u'R' && !onMacBookPro8(c); }, "SMC DC INPUT"},
    SMCLocationRow{u'D', [](const C& c) { return c.d == u'5' && c.s == u'R' && !onMacBookPro8(c); }, "SMC 12V S5 LINE"},
    SMCLocationRow{u'D', [](const C& c) { return c.d == u'0' && c.s == u'r'; }, "SMC DC V-SENSE"},
    SMCLocationRow{u'D', [](const C& c) { return c.d == u'P' && c.s == u'r'; }, "SMC AC/DC"},
    SMCLocationRow{u'e', [](const C& c) { return c.d == u'E' && c.s == u'S'; }, "SMC PCIE SLOTS 12V RAIL"},
    SMCLocationRow{u'e', [](const C& c) { return (c.d == u'1' || c.d == u'2') && c.s == u'S'; },
                   "SMC PCI SLOT %C 12V BOOST LINE", sameD},
    SMCLocationRow{u'e', [](const C& c) { return c.s == u'S'; }, "SMC PCI SLOT %C 12V LINE", slotNumber},
    SMCLocationRow{u'F', [](const C& c) { return c.s == u'R'; }, "SMC FIREWIRE PORTS"},
    SMCLocationRow{u'G', [](const C& c) { return c.s == u'C'; }, "SMC GPU SUPPLY %C", nextD},
    SMCLocationRow{u'G', [](const C& c) { return c.s == u'c'; }, "SMC GPU %C V-SENSE", nextD},
    SMCLocationRow{u'G', [](const C& c) { return c.d == u'0' && c.s == u'R'; }, "SMC MXM GRAPHICS MODULE"},
    SMCLocationRow{u'H', [](const C& c) { return c.d == u'5' && c.s == u'Z'; }, "SMC OPTICAL DISK DRIVE"},
    SMCLocationRow{u'H', [](const C& c) { return c.s == u'Z'; }, "SMC HARD DRIVE %C 12V LINE", sameD},
    SMCLocationRow{u'M', [](const C& c) { return c.s == u'S'; }, "SMC MEMORY VRM SUPPLY %C", sameD},
    SMCLocationRow{u'N', [](const C& c) { return c.d == u'0' && c.s == u'C'; }, "SMC NORTHBRIDGE"},
    SMCLocationRow{u'N', [](const C& c) { return c.s == u'C'; }, "SMC NORTHBRIDGE %C", nextD},
    SMCLocationRow{u'N', [](const C& c) { return c.d == u'0' && c.s == u'R'; }, "SMC NORTHBRIDGE VCORE"},
    SMCLocationRow{u'O', [](const C& c) { return c.d == u'0' && c.s == u'Z'; }, "SMC OPTICAL DISK DRIVE 12V LINE"},
    SMCLocationRow{u'P', [](const C& c) { return c.s == u'R'; }, "SMC POWER SUPPLY/BATTERY"},
    SMCLocationRow{u'P', [](const C& c) { return c.s == u'r'; }, "SMC PBUS V-SENSE"},
    SMCLocationRow{u'p', [](const C& c) { return c.s == u'C'; }, "SMC PSU %C LINE %C", supplyAndLine},
    SMCLocationRow{u's', [](const C& c) { return c.s == u'S'; }, "SMC EXPANSION SLOT %C", sameD},
    SMCLocationRow{u'S', [](const C& c) { return c.s == u'C' && c.d >= u'0' && c.d <= u'F'; }, "SMC CPU/VRM SUPPLY %C",
                   sameD},
    SMCLocationRow{u'V', [](const C& c) { return c.s == u'S'; }, "SMC MAINBOARD MONITOR %C", sameD},
};

/// Keys that the MacBookPro8 machines use for other purposes.
constexpr std::array<std::string_view, 3> kKeysUnknownOnMacBookPro8 = {"IN0C", "PN0C", "PN0R"};

}  // namespace

std::optional<std::string> electricLocationForKey(std::string_view key, std::string_view model, unsigned packages) {
  std::optional<SMCKeyContext> context = keyContext(key, u"IPV");
  if (!context) return std::nullopt;
  if (model.starts_with("MacBookPro8") &&
      std::find(kKeysUnknownOnMacBookPro8.begin(), kKeysUnknownOnMacBookPro8.end(), key) != kKeysUnknownOnMacBookPro8.end()) {
    return std::nullopt;
  }
  context->model = model;
  context->packages = packages;
  return locationFromTable(kRows, *context);
}

std::span<const SMCLocationRow> electricKeyRows() { return kRows; }

}  // namespace sw::smc
