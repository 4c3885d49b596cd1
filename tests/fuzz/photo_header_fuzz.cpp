// A photo file's first bytes: ReadPhotoHeader reads nothing outside them
// (AddressSanitizer stops the run), keeps no profile over its limit and lets
// no codec see a stated size over the pixel limit.
#include "fuzz_support.h"
#include "slideshow/photo_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const PhotoHeader header = ReadPhotoHeader(data, size);
  FUZZ_CHECK(header.profile.size() <= kEmbeddedProfileLimit && header.orientation >= 1 && header.orientation <= 8);
  FUZZ_CHECK(!CodecMayDecode(header) || uint64_t{header.width} * header.height <= kPhotoPixelLimit);
  return 0;
}
