// The main of every test program: messages stay out of syslog, and each test starts on a fresh
// process state (see SimulatedMachineTest).
#include <gtest/gtest.h>

#include "os/SystemLog.h"

int main(int argc, char** argv) {
  sw::os::setLogToSyslog(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
