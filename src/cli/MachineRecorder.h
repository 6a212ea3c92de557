// The current machine written as a machine profile, through the OS layer only, so that a live
// machine and a profile's machine are recorded alike: registry planes, the controller's keys
// with their bytes, sysctl facts, host facts and the files the plug-in reads.
#pragma once

#include "foundation/Value.h"

namespace sw::cli {

struct RecordOptions {
  /// Otherwise the machine's serial number and UUID become placeholders of the same form, and
  /// the computer name and host UUID are left out.
  bool keepSerial = false;
};

Value recordCurrentMachine(const RecordOptions& options);

/// A placeholder with the form of the serial number: the unique digits (positions 6 to 8 of the
/// 11- and 12-character forms) become zeros, so that plant, production week and model stay;
/// a UUID becomes zeros; in a text of another form every letter becomes X and every digit 0.
std::string serialPlaceholder(std::string_view serial);

}  // namespace sw::cli
