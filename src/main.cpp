// sensorwidget: the command line and the widget host.
#include <cmath>
#include <cstdlib>

#include "cli/CommandLine.h"
#include "os/Clock.h"

int main(int argc, char** argv) {
  // SENSORWIDGET_FIXED_TIME (seconds since 1970) stops the clock, and with it every signal of the
  // simulated machine, so that outputs come out the same on every run (the golden files).
  if (const char* fixed = std::getenv("SENSORWIDGET_FIXED_TIME")) {
    char* end = nullptr;
    const double seconds = std::strtod(fixed, &end);
    if (end != fixed && *end == '\0' && std::isfinite(seconds)) sw::os::setClock([seconds] { return seconds; });
  }
  return sw::cli::runCommandLine(argc, argv);
}
