// The sequential archive from outside: the first byte picks what is decoded from the rest — a
// free sequence of items, a sensor, a value converter, a description record or the machine's
// information. Nothing may crash, and whatever decodes must encode to bytes that decode again
// to the same bytes.
#include <functional>

#include "foundation/SequentialCoder.h"
#include "fuzz/FuzzInput.h"
#include "sensors/TKSSensor.h"
#include "sensors/TKSSensorDescription.h"
#include "sensors/TKSSensorValueConverter.h"
#include "system/TKSMachineInfo.h"

namespace {

using sw::SequentialDecoder;
using sw::SequentialEncoder;

/// Encodes what `decode` made of the bytes, decodes that and encodes it again: both encodings
/// must agree, so no field is lost or changed by a trip through the archive.
template <typename Decode>
void checkRoundTrip(const sw::Data& bytes, Decode decode) {
  SequentialDecoder decoder(bytes);
  const auto object = decode(decoder);
  if (!object) return;
  (void)object->description();
  SequentialEncoder first;
  object->encodeWithCoder(first);
  SequentialDecoder again(first.data());
  const auto copy = decode(again);
  sw::fuzz::require(copy != nullptr && !again.failed() && again.atEnd(), "an encoded object decodes again");
  SequentialEncoder second;
  copy->encodeWithCoder(second);
  sw::fuzz::require(first.data() == second.data(), "an object survives the trip through the archive");
}

/// Reads items of the types the schedule names, one type per schedule byte, until one fails.
void decodeItems(std::string_view schedule, const sw::Data& bytes) {
  const std::function<bool(SequentialDecoder&)> readers[] = {
      [](SequentialDecoder& d) { return d.decodeInt8().has_value(); },
      [](SequentialDecoder& d) { return d.decodeUInt8().has_value(); },
      [](SequentialDecoder& d) { return d.decodeInt16().has_value(); },
      [](SequentialDecoder& d) { return d.decodeUInt16().has_value(); },
      [](SequentialDecoder& d) { return d.decodeInt32().has_value(); },
      [](SequentialDecoder& d) { return d.decodeUInt32().has_value(); },
      [](SequentialDecoder& d) { return d.decodeInt64().has_value(); },
      [](SequentialDecoder& d) { return d.decodeUInt64().has_value(); },
      [](SequentialDecoder& d) { return d.decodeFloat().has_value(); },
      [](SequentialDecoder& d) { return d.decodeDouble().has_value(); },
      [](SequentialDecoder& d) { return d.decodeString().has_value(); },
      [](SequentialDecoder& d) { return d.decodeNullableString().has_value(); },
  };
  SequentialDecoder decoder(bytes);
  for (const char choice : schedule) {
    const bool read = readers[static_cast<std::uint8_t>(choice) % std::size(readers)](decoder);
    sw::fuzz::require(read != decoder.failed(), "a read fails exactly when the decoder has failed");
    if (!read) break;
  }
}

std::shared_ptr<sw::TKSSensorValueConverter> decodeConverter(SequentialDecoder& decoder) {
  auto converter = sw::TKSSensorValueConverter::createWithCoder(decoder);
  return converter ? std::make_shared<sw::TKSSensorValueConverter>(*converter) : nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  const std::uint8_t kind = input.takeByte() % 5;
  if (kind == 0) {
    const std::string_view schedule = input.takeUntil('\0');
    decodeItems(schedule, sw::fuzz::textAsBytes(input.takeRest()));
    return 0;
  }
  const sw::Data archive = sw::fuzz::textAsBytes(input.takeRest());
  switch (kind) {
    case 1:
      checkRoundTrip(archive, sw::TKSSensor::createWithCoder);
      break;
    case 2:
      checkRoundTrip(archive, decodeConverter);
      break;
    case 3:
      checkRoundTrip(archive, sw::TKSSensorDescription::createWithCoder);
      break;
    default:
      checkRoundTrip(archive, sw::TKSMachineInfo::createWithCoder);
      break;
  }
  return 0;
}
