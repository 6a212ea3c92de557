// The records exchanged with the SMC user client and passed around inside the client. The kernel
// record is a wire format (80 bytes, host byte order, i386 alignment), so its layout is pinned
// field by field below.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sw {

/// One decoded-call result: a key's type, size and value bytes as the controller delivers them.
struct TKSSMCValue {
  std::uint32_t key = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t dataType = 0;
  std::array<std::uint8_t, 32> bytes{};
};

#pragma pack(push, 1)
struct TKSSMCRevisionInfo {
  std::int8_t major;
  std::int8_t minor;
  std::int8_t build;
  std::uint8_t reserved;
  std::uint16_t release;
};

struct TKSSMCPowerLimits {
  std::uint16_t version;
  std::uint16_t length;
  std::uint32_t cpuPLimit;
  std::uint32_t gpuPLimit;
  std::uint32_t memPLimit;
};

struct TKSSMCKeyInfo {
  std::uint32_t dataSize;
  std::uint32_t dataType;
  std::uint8_t dataAttributes;
  std::uint8_t padding[3];
};

struct TKSSMCKeyData {
  std::uint32_t key;
  TKSSMCRevisionInfo revision;
  std::uint8_t padding1[2];
  TKSSMCPowerLimits powerLimits;
  TKSSMCKeyInfo keyInfo;
  std::uint8_t result;
  std::uint8_t status;
  std::uint8_t command;
  std::uint8_t padding2;
  std::uint32_t parameter;
  std::uint8_t bytes[32];
};
#pragma pack(pop)

static_assert(sizeof(TKSSMCRevisionInfo) == 6);
static_assert(sizeof(TKSSMCPowerLimits) == 16);
static_assert(sizeof(TKSSMCKeyInfo) == 12);
static_assert(sizeof(TKSSMCKeyData) == 80);
static_assert(offsetof(TKSSMCKeyData, key) == 0);
static_assert(offsetof(TKSSMCKeyData, revision) == 4);
static_assert(offsetof(TKSSMCKeyData, powerLimits) == 12);
static_assert(offsetof(TKSSMCKeyData, keyInfo) == 28);
static_assert(offsetof(TKSSMCKeyData, keyInfo) + offsetof(TKSSMCKeyInfo, dataType) == 32);
static_assert(offsetof(TKSSMCKeyData, keyInfo) + offsetof(TKSSMCKeyInfo, dataAttributes) == 36);
static_assert(offsetof(TKSSMCKeyData, result) == 40);
static_assert(offsetof(TKSSMCKeyData, status) == 41);
static_assert(offsetof(TKSSMCKeyData, command) == 42);
static_assert(offsetof(TKSSMCKeyData, parameter) == 44);
static_assert(offsetof(TKSSMCKeyData, bytes) == 48);

/// The user client's one structure method and the commands placed in the record.
constexpr std::uint32_t kSMCUserClientMethod = 2;
constexpr std::uint8_t kSMCCommandReadKeyInfo = 9;
constexpr std::uint8_t kSMCCommandReadBytes = 5;
constexpr std::uint8_t kSMCCommandReadIndex = 8;

}  // namespace sw
