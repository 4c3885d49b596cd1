// A photo file's first bytes, as the decoder reads them before any codec:
// ReadPhotoHeader reads nothing outside them (AddressSanitizer stops the run),
// never keeps a profile over its limit, and never lets a codec see a size
// over the pixel limit.
#include "fuzz_support.h"
#include "slideshow/photo_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const PhotoHeader header = ReadPhotoHeader(data, size);
  FUZZ_CHECK(header.profile.size() <= kEmbeddedProfileLimit);
  FUZZ_CHECK(header.orientation >= 1 && header.orientation <= 8);
  if (CodecMayDecode(header) && header.width != 0)
    FUZZ_CHECK(static_cast<uint64_t>(header.width) * header.height <= kPhotoPixelLimit);
  return 0;
}
