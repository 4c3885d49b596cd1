// Run mode from the command line the screensaver host passes.
#pragma once

#include <cstdint>
#include <string_view>

enum class SaverMode { Saver = 0, Config = 1, Preview = 2 };

struct RunMode {
  SaverMode mode = SaverMode::Saver;
  int32_t parentWindow = 0;  // handle value after "/C" or "/P", 0 when none
};

// "/C" wins over "/P"; anything else (including an empty line) runs the saver.
// The handle starts three characters after the switch's "/": the switch and
// exactly one separator are skipped, whatever that separator is.
RunMode ParseCommandLine(std::wstring_view line);
