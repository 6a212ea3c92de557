// sensorwidget: the command line and the widget host.
#include "host/CommandLine.h"

int main(int argc, char** argv) { return sw::host::runCommandLine(argc, argv); }
