// The command line the screensaver host passes, as UTF-16.
#include <algorithm>

#include "app/command_line.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::wstring line = FuzzWide(FuzzBytes(data, size));
  const RunMode run = ParseCommandLine(line);

  const auto has_switch = [&](wchar_t letter) {
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
      if (line[i] == L'/' && (line[i + 1] == letter || line[i + 1] == letter + 32)) return true;
    }
    return false;
  };
  const SaverMode expected = has_switch(L'C')   ? SaverMode::Config
                             : has_switch(L'P') ? SaverMode::Preview
                                                : SaverMode::Saver;
  FUZZ_CHECK(run.mode == expected);
  if (run.mode == SaverMode::Saver) FUZZ_CHECK(run.parentWindow == 0);
  return 0;
}
