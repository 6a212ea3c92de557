// Sequential and keyed archives of the machine information, and its replacement when sent.
#include <array>
#include <limits>
#include <variant>

#include "foundation/SequentialCoder.h"
#include "system/TKSMachineInfo.h"

namespace sw {
namespace {

using Facts = TKSMachineInfo::Facts;
using Member = std::variant<std::uint32_t Facts::*, std::int32_t Facts::*, std::uint64_t Facts::*, bool Facts::*,
                            std::string Facts::*>;

struct CodingField {
  const char* key;
  Member member;
};

// Archive order and coding keys; both archive forms walk this table.
const std::array<CodingField, 33> kCodingFields = {{
    {"NumberOfCPUs", &Facts::numberOfCPUs},
    {"NumberOfActiveCPUs", &Facts::numberOfActiveCPUs},
    {"NumberOfPhysicalCPUs", &Facts::numberOfPhysicalCPUs},
    {"CPUType", &Facts::cpuType},
    {"CPUSubType", &Facts::cpuSubType},
    {"CPUVersion", &Facts::cpuVersion},
    {"CPUFreq", &Facts::cpuFreq},
    {"CPUFreqMin", &Facts::cpuFreqMin},
    {"CPUFreqMax", &Facts::cpuFreqMax},
    {"CPUFreqNom", &Facts::cpuFreqNom},
    {"CPUSpeedFeature", &Facts::cpuSpeedFeature},
    {"FSBFreq", &Facts::fsbFreq},
    {"FSBFreqMin", &Facts::fsbFreqMin},
    {"FSBFreqMax", &Facts::fsbFreqMax},
    {"L1InstructionCacheSize", &Facts::l1InstructionCacheSize},
    {"L1DataCacheSize", &Facts::l1DataCacheSize},
    {"L2CacheSize", &Facts::l2CacheSize},
    {"L3CacheSize", &Facts::l3CacheSize},
    {"VectorUnit", &Facts::opsAltiVec},
    {"MemorySize", &Facts::memorySize},
    {"OSVersionCode", &Facts::osVersionCode},
    {"AppleModelCode", &Facts::appleModelCode},
    {"MachineSerialNumber", &Facts::machineSerialNumber},
    {"OSReadableVersion", &Facts::osReadableVersion},
    {"OSVersionNumber", &Facts::osVersionNumber},
    {"OSReadableBuild", &Facts::osReadableBuild},
    {"OSKernelVersion", &Facts::osKernelVersion},
    {"OSKernelVersionNumber", &Facts::osKernelVersionNumber},
    {"BootROMVersion", &Facts::bootROMVersion},
    {"ComputerName", &Facts::computerName},
    {"MachineUUID", &Facts::machineUUID},
    {"64BitCapable", &Facts::is64BitCapable},
    {"64BitKernel", &Facts::isRunning64BitKernel},
}};

template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
// Spelled out for compilers that do not deduce an aggregate's arguments themselves (clang 14).
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

void encodeField(SequentialEncoder& coder, const Facts& facts, const Member& member) {
  std::visit(Overloaded{
                 [&](std::uint32_t Facts::*field) { coder.encodeUInt32(facts.*field); },
                 [&](std::int32_t Facts::*field) { coder.encodeInt32(facts.*field); },
                 [&](std::uint64_t Facts::*field) { coder.encodeUInt64(facts.*field); },
                 [&](bool Facts::*field) { coder.encodeInt8(facts.*field ? 1 : 0); },
                 [&](std::string Facts::*field) { coder.encodeString(facts.*field); },
             },
             member);
}

/// Stores one decoded item; false when the item is missing or of another type.
template <typename Item, typename Field>
bool store(const std::optional<Item>& item, Facts& facts, Field Facts::*field) {
  if (!item) return false;
  facts.*field = static_cast<Field>(*item);
  return true;
}

bool decodeField(SequentialDecoder& coder, Facts& facts, const Member& member) {
  return std::visit(Overloaded{
                        [&](std::uint32_t Facts::*field) { return store(coder.decodeUInt32(), facts, field); },
                        [&](std::int32_t Facts::*field) { return store(coder.decodeInt32(), facts, field); },
                        [&](std::uint64_t Facts::*field) { return store(coder.decodeUInt64(), facts, field); },
                        [&](bool Facts::*field) { return store(coder.decodeInt8(), facts, field); },
                        [&](std::string Facts::*field) { return store(coder.decodeString(), facts, field); },
                    },
                    member);
}

Value keyedValue(const Facts& facts, const Member& member) {
  return std::visit(Overloaded{
                        [&](std::uint32_t Facts::*field) { return Value::integer(facts.*field); },
                        [&](std::int32_t Facts::*field) { return Value::integer(facts.*field); },
                        // 64-bit values keep their bit pattern in the signed integer of the archive.
                        [&](std::uint64_t Facts::*field) {
                          return Value::integer(static_cast<std::int64_t>(facts.*field));
                        },
                        [&](bool Facts::*field) { return Value::boolean(facts.*field); },
                        [&](std::string Facts::*field) { return Value(facts.*field); },
                    },
                    member);
}

/// An integer item of the archive that fits the field's type.
template <typename Field>
std::optional<Field> keyedInteger(const Value& value) {
  if (value.kind() != Value::Kind::Integer) return std::nullopt;
  const std::int64_t number = *value.asInteger();
  if constexpr (std::is_same_v<Field, std::uint64_t>) {
    return static_cast<std::uint64_t>(number);
  } else {
    if (number < std::numeric_limits<Field>::min() || number > std::numeric_limits<Field>::max()) return std::nullopt;
    return static_cast<Field>(number);
  }
}

bool decodeKeyedField(const Value& value, Facts& facts, const Member& member) {
  return std::visit(Overloaded{
                        [&](std::uint32_t Facts::*field) { return store(keyedInteger<std::uint32_t>(value), facts, field); },
                        [&](std::int32_t Facts::*field) { return store(keyedInteger<std::int32_t>(value), facts, field); },
                        [&](std::uint64_t Facts::*field) { return store(keyedInteger<std::uint64_t>(value), facts, field); },
                        [&](bool Facts::*field) { return store(value.asBoolean(), facts, field); },
                        [&](std::string Facts::*field) {
                          const std::string* text = value.asString();
                          if (text) facts.*field = *text;
                          return text != nullptr;
                        },
                    },
                    member);
}

}  // namespace

void TKSMachineInfo::encodeWithCoder(SequentialEncoder& coder) const {
  for (const CodingField& field : kCodingFields) encodeField(coder, facts_, field.member);
}

std::shared_ptr<TKSMachineInfo> TKSMachineInfo::createWithCoder(SequentialDecoder& coder) {
  Facts facts;
  for (const CodingField& field : kCodingFields) {
    if (!decodeField(coder, facts, field.member)) return nullptr;
  }
  return std::make_shared<TKSMachineInfo>(std::move(facts));
}

Dictionary TKSMachineInfo::encodeWithKeyedCoder() const {
  Dictionary archive;
  for (const CodingField& field : kCodingFields) archive.emplace(field.key, keyedValue(facts_, field.member));
  return archive;
}

std::shared_ptr<TKSMachineInfo> TKSMachineInfo::createWithKeyedCoder(const Dictionary& archive) {
  Facts facts;
  for (const CodingField& field : kCodingFields) {
    const auto item = archive.find(field.key);
    if (item == archive.end() || !decodeKeyedField(item->second, facts, field.member)) return nullptr;
  }
  return std::make_shared<TKSMachineInfo>(std::move(facts));
}

PortReplacement<TKSMachineInfo> TKSMachineInfo::replacementObjectForPortCoder(const PortCoder& coder) const {
  // An instance made outside a shared owner has no original to point at; its copy serves instead.
  std::shared_ptr<const TKSMachineInfo> original = weak_from_this().lock();
  if (!original) original = std::make_shared<const TKSMachineInfo>(facts_);
  return replacementForPortCoder(coder, std::move(original));
}

}  // namespace sw
