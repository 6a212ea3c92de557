// Number formats, temperature scales and icons of the quantity types.
#include "widget/ReadingFormatter.h"

#include <array>

#include "foundation/Format.h"
#include "foundation/NumberText.h"
#include "os/Bundle.h"
#include "sensors/TKSSensor.h"

namespace sw::widget {

namespace {

struct QuantityPresentation {
  std::int32_t quantityType;
  std::int32_t formatTag;
  std::string_view iconPath;
};

// Types missing here (10, 12 and anything unknown) have no decimals and the null icon.
constexpr std::array<QuantityPresentation, 12> kPresentations = {{
    {TKSQuantityUnknown, 0, "Images/TUnkn.png"},
    {TKSQuantityTemperature, 1, "Images/TTemp.png"},
    {TKSQuantityVoltage, 4, "Images/TElec.png"},
    {TKSQuantityCurrent, 2, "Images/TElec.png"},
    {TKSQuantityPower, 1, "Images/TElec.png"},
    {TKSQuantityCharge, 0, "Images/TElec.png"},
    {TKSQuantityFanSpeed, 0, "Images/TFan.png"},
    {TKSQuantityFanDutyCycle, 1, "Images/TFan.png"},
    {TKSQuantityLight, 0, "Images/TLight.png"},
    {TKSQuantityLoad, 0, "Images/TLoad.png"},
    {TKSQuantityStatus, 0, "Images/TInfo.png"},
    {TKSQuantityFrequency, 0, "Images/TFreq.png"},
}};

const QuantityPresentation* presentationOf(std::int32_t quantityType) {
  for (const auto& presentation : kPresentations) {
    if (presentation.quantityType == quantityType) return &presentation;
  }
  return nullptr;
}

constexpr std::array<std::string_view, 5> kNumberFormats = {"%7.0f", "%7.1f", "%7.2f", "%7.3f", "%7.4f"};

}  // namespace

std::int32_t defaultFormatTagForQuantityType(std::int32_t quantityType) {
  const QuantityPresentation* presentation = presentationOf(quantityType);
  return presentation == nullptr ? 0 : presentation->formatTag;
}

std::string_view temperatureUnitKey(std::int32_t scale) {
  switch (scale) {
    case kFahrenheit: return "F";
    case kKelvin: return "K";
    default: return "C";
  }
}

double temperatureInScale(double celsius, std::int32_t scale) {
  switch (scale) {
    case kFahrenheit: return 9.0 * celsius / 5.0 + 32.0;
    case kKelvin: return 273.15 + celsius;
    default: return celsius;
  }
}

std::string formattedReading(double value, std::int32_t quantityType, double precision, std::string_view unitText) {
  const std::int32_t tag = precision == 1.0 ? 0 : defaultFormatTagForQuantityType(quantityType);
  const std::string number = localizedNumberText(stringWithFormat(kNumberFormats[tag], value), os::currentLocale());
  const std::string_view separator = quantityType == TKSQuantityTemperature ? "" : " ";
  return number + std::string(separator) + std::string(unitText);
}

std::string_view relativePathForTypeIcon(std::int32_t quantityType) {
  const QuantityPresentation* presentation = presentationOf(quantityType);
  return presentation == nullptr ? kNullIconPath : presentation->iconPath;
}

}  // namespace sw::widget
