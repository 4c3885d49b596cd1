// A photo file's first bytes, as the decoder reads them for the orientation:
// ReadExifOrientation reads nothing outside them (AddressSanitizer stops the
// run) and always answers one of the eight orientations.
#include "fuzz_support.h"
#include "slideshow/exif_orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const int orientation = ReadExifOrientation(data, size);
  FUZZ_CHECK(orientation >= 1 && orientation <= 8);
  return 0;
}
