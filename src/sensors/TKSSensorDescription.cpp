// The sensor description record: snapshot, text and archive.
#include "sensors/TKSSensorDescription.h"

#include "foundation/Format.h"

#include "sensors/TKSSensor.h"

namespace sw {

std::shared_ptr<TKSSensorDescription> TKSSensorDescription::descriptionForSensor(const TKSSensor* sensor) {
  if (sensor == nullptr) return nullptr;
  auto record = std::make_shared<TKSSensorDescription>();
  record->localIdentifier_ = sensor->uniqueIdentifier();
  record->locationIdentifier_ = sensor->locationIdentifier();
  record->sensorName_ = sensor->sensorName();
  record->sensorType_ = sensor->sensorType();
  record->quantityType_ = sensor->quantityType();
  record->precision_ = sensor->precision();
  record->accuracy_ = sensor->accuracy();
  record->unit_ = sensor->unit();
  record->substituteIdentification_ = sensor->substituteIDForLocationIdentifier();
  return record;
}

std::shared_ptr<TKSSensorDescription> TKSSensorDescription::copy() const {
  return std::make_shared<TKSSensorDescription>(*this);
}

std::string TKSSensorDescription::description() const {
  return stringWithFormat(
      "local identifier: '%@' location identifier: '%@' sensor name: '%@' unit: '%@' type: %d quantity: %d "
      "precision: %g accuracy: %g substitute ID: %u",
      localIdentifier_, locationIdentifier_, sensorName_, unit_, sensorType_, quantityType_, precision_, accuracy_,
      substituteIdentification_);
}

void TKSSensorDescription::encodeWithCoder(SequentialEncoder& coder) const {
  coder.encodeNullableString(localIdentifier_);
  coder.encodeNullableString(locationIdentifier_);
  coder.encodeNullableString(sensorName_);
  coder.encodeNullableString(unit_);
  coder.encodeInt32(sensorType_);
  coder.encodeInt32(quantityType_);
  coder.encodeDouble(precision_);
  coder.encodeDouble(accuracy_);
  coder.encodeUInt32(substituteIdentification_);
}

std::shared_ptr<TKSSensorDescription> TKSSensorDescription::createWithCoder(SequentialDecoder& coder) {
  // The decoder fails for good at the first bad item; the record is then dropped as a whole.
  auto record = std::make_shared<TKSSensorDescription>();
  record->localIdentifier_ = coder.decodeNullableString().value_or(std::nullopt);
  record->locationIdentifier_ = coder.decodeNullableString().value_or(std::nullopt);
  record->sensorName_ = coder.decodeNullableString().value_or(std::nullopt);
  record->unit_ = coder.decodeNullableString().value_or(std::nullopt);
  record->sensorType_ = coder.decodeInt32().value_or(0);
  record->quantityType_ = coder.decodeInt32().value_or(0);
  record->precision_ = coder.decodeDouble().value_or(0.0);
  record->accuracy_ = coder.decodeDouble().value_or(0.0);
  record->substituteIdentification_ = coder.decodeUInt32().value_or(0);
  if (coder.failed()) return nullptr;
  return record;
}

PortReplacement<TKSSensorDescription> TKSSensorDescription::replacementObjectForPortCoder(
    const PortCoder& coder) const {
  // A record made outside a shared owner has no original to point at; its copy serves instead.
  std::shared_ptr<const TKSSensorDescription> original = weak_from_this().lock();
  if (!original) original = copy();
  return replacementForPortCoder(coder, std::move(original));
}

}  // namespace sw
