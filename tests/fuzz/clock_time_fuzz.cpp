// The two clock readers of weather texts: the sunrise and sunset times and
// the observation time stamp. The input is read both as UTF-16 and as one
// byte a character.
#include "fuzz_support.h"
#include "weather/weather_document.h"
#include "weather/weather_panel.h"

namespace {

void Check(std::wstring_view text) {
  const ClockTime t = ParseClockTime(text);
  FUZZ_CHECK(t.hour <= 23);
  FUZZ_CHECK(t.minute <= 59);

  // Hours and minutes are clamped 32-bit numbers; "PM" adds 12 only below 12.
  constexpr int64_t kLargest = int64_t{INT32_MAX} * 60 + INT32_MAX;
  const int64_t minutes = ObservationMinutes(text);
  FUZZ_CHECK(minutes >= 0 && minutes <= kLargest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes = FuzzBytes(data, size);
  Check(FuzzWide(bytes));
  Check(WidenBytes(bytes));
  return 0;
}
