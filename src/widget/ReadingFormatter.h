// How a sensor's quantity is shown: the number format, the temperature scales and the type icon.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sw::widget {

/// Temperature scales by their index in the settings.
enum TemperatureScale : std::int32_t { kCelsius = 0, kFahrenheit = 1, kKelvin = 2 };
inline bool isTemperatureScale(std::int32_t index) { return index >= kCelsius && index <= kKelvin; }

/// The number of decimals used for a quantity type when the sensor's precision asks for none.
std::int32_t defaultFormatTagForQuantityType(std::int32_t quantityType);

/// The unit key of a temperature scale: "C", "F" or "K".
std::string_view temperatureUnitKey(std::int32_t scale);
/// A temperature in degrees Celsius in the scale.
double temperatureInScale(double celsius, std::int32_t scale);

/// The number of a reading padded to seven places, with the user's decimal separator, followed by
/// the unit text: directly for temperatures, after one blank for everything else.
std::string formattedReading(double value, std::int32_t quantityType, double precision, std::string_view unitText);

/// The icon of a quantity type, relative to the widget's folder.
std::string_view relativePathForTypeIcon(std::int32_t quantityType);
/// The icon of a display position without a sensor.
inline constexpr std::string_view kNullIconPath = "Images/TNull.png";

}  // namespace sw::widget
