// `sensorwidget list`: the documented JSON shape, scales and locales, and that listing never
// touches the user's settings.
#include <gtest/gtest.h>

#include "SensorWidgetProcess.h"

namespace sw::e2e {
namespace {

class ListCommand : public SensorWidgetProcess {
 protected:
  nlohmann::ordered_json listJSON(std::vector<std::string> options = {}, const std::string& locale = "en_US") {
    std::vector<std::string> arguments = {"list", "--json", "--profile", testProfile()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ProcessResult result = run(arguments, "", locale);
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    return nlohmann::ordered_json::parse(result.standardOutput);
  }
};

TEST_F(ListCommand, JSONHasTheDocumentedFieldsInOrderAndTheSensorsInDisplayOrder) {
  const auto list = listJSON();
  auto head = list;  // ordered: the comparison checks the order of the fields too
  head["sensors"] = list["sensors"].size();
  EXPECT_EQ(head, nlohmann::ordered_json::parse(R"({"model": "MacBookPro5,5", "status": "", "version": "Version: 1.0.0", "sensors": 4})"));
  EXPECT_EQ(list["sensors"][1], nlohmann::ordered_json::parse(R"({
      "index": 1, "uniqueIdentifier": "smc.temperature.DF3", "locationIdentifier": "SMC CPU A DIODE",
      "sensorName": "Apple System Management Controller", "sensorType": 1, "quantityType": 1,
      "precision": 1.0, "accuracy": 0.0, "unit": "C", "rawValue": 45, "value": 45.0,
      "name": "CPU A Diode", "menuEntry": "[°C] CPU A Diode", "reading": "     45°C",
      "icon": "Images/TTemp.png"})"));
  std::vector<std::string> rows;
  for (const auto& sensor : list["sensors"]) {
    rows.push_back(sensor["index"].dump() + " " + sensor["name"].get<std::string>() + " |" +
                   sensor["reading"].get<std::string>() + "| " + sensor["icon"].get<std::string>());
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"0 Ambient Air |     30°C| Images/TTemp.png",
                                            "1 CPU A Diode |     45°C| Images/TTemp.png",
                                            "2 CPU A | 1.2500 V| Images/TElec.png",
                                            "3 Fan 0 |   2000 RPM| Images/TFan.png"}));
}

TEST_F(ListCommand, ScaleAndLocaleChangeTheTextsButNotTheSettings) {
  auto sensors = listJSON({"--scale", "kelvin"}, "de_DE")["sensors"];
  EXPECT_EQ(sensors[0]["reading"], "    303K");
  EXPECT_EQ(sensors[0]["menuEntry"], "[K] Umgebungsluft");
  EXPECT_EQ(sensors[2]["reading"], " 1,2500 V");
  EXPECT_EQ(sensors[3]["reading"], "   2000 U/min");
  EXPECT_EQ(sensors[0]["value"], 30.0) << "the value stays in the sensor's own unit";
  EXPECT_FALSE(std::filesystem::exists(pluginDomainFile()));
}

}  // namespace
}  // namespace sw::e2e
