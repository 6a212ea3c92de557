// The widget's settings when the defaults directory misbehaves: the widget goes on with what the
// user chose in this run, each write that fails says so once, and the file is never worse off.
#include <gtest/gtest.h>

#include <cstring>

#include "os/SystemLog.h"
#include "widget/WidgetTestMachine.h"

namespace sw::test {
namespace {

class StoredSettingsFaults : public WidgetTestMachine {
 protected:
  std::string fileBytes() const { return defaultsDirectory_.read(std::string(kPluginDomain) + ".plist"); }
  void failEvery(os::DefaultsFileOperation failing, int error) {
    os::setDefaultsFileFaultForTesting([failing, error](os::DefaultsFileOperation operation, const std::filesystem::path&) {
      return operation == failing ? error : 0;
    });
  }
};

TEST_F(StoredSettingsFaults, ADirectoryThatTurnsReadOnlyOrFullMidRunLosesNothingAndTheWidgetGoesOn) {
  for (int error : {EROFS, ENOSPC}) {
    SCOPED_TRACE(std::strerror(error));
    useTemperatureSensors(4);
    os::CapturedLog log;
    auto controller = startedController();
    const std::string stored = fileBytes();
    ASSERT_FALSE(stored.empty());

    failEvery(os::DefaultsFileOperation::Write, error);
    controller->setPreferredSensorIndexForDisplayIndex(3, 0);
    controller->setTemperatureUnitIndex(2);
    EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 3) << "the choice holds for this run";
    EXPECT_EQ(controller->preferredTemperatureUnitIndex(), 2) << "and the scale";
    EXPECT_EQ(fileBytes(), stored);
    EXPECT_EQ(log.messages().size(), 2u) << "one line per failed write";

    os::setDefaultsFileFaultForTesting(nullptr);
    controller->setPreferredSensorIndexForDisplayIndex(2, 1);
    const Dictionary machine = storedMachineDictionary();
    EXPECT_EQ(machine.at("w1:SensorIDForDisplayPosition1"), Value("fake.3")) << "the next write stores it all";
    EXPECT_EQ(machine.at("w1:SensorIDForDisplayPosition2"), Value("fake.2"));
    EXPECT_EQ(storedDomain()->at("IndexOfTemperatureUnit"), Value::integer(2));
  }
}

TEST_F(StoredSettingsFaults, AnUnreadableSettingsFileIsNeverReplacedByTheDefaultsInUse) {
  useTemperatureSensors(4);
  storeDomain(Value(Dictionary{{"w1:SensorIDForDisplayPosition1", Value("fake.3")}}), {{"IndexOfTemperatureUnit", Value::integer(1)}});
  const std::string stored = fileBytes();
  failEvery(os::DefaultsFileOperation::Read, EACCES);
  os::CapturedLog log;
  auto controller = startedController();
  EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 0) << "defaults in memory";
  os::setDefaultsFileFaultForTesting(nullptr);
  controller->setPreferredSensorIndexForDisplayIndex(1, 0);
  controller->setTemperatureUnitIndex(2);
  EXPECT_EQ(fileBytes(), stored);
  EXPECT_EQ(controller->preferredSensorIndexAtDisplayIndex(0), 1);
  EXPECT_EQ(log.messages().size(), 4u) << "the failed read, then one line for each of three refused writes";
}

}  // namespace
}  // namespace sw::test
