// The `sensorwidget` command line.
#include "host/CommandLine.h"

#include <cstdio>

namespace sw::host {

int runCommandLine(int argc, char** argv) {
  std::fputs("sensorwidget: no commands yet\n", stderr);
  return 2;
}

}  // namespace sw::host
