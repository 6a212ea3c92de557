// The `sensorwidget` command line: parses the arguments and runs one sub-command.
#pragma once

namespace sw::cli {

/// Exit status 0 on success, 2 for a usage error, 1 for an unusable profile or defaults directory.
int runCommandLine(int argc, char** argv);

}  // namespace sw::cli
