// How a camera says its photo stands: the orientation tag of a JPEG file's
// Exif block, read from the file's first bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// The Exif orientation of the JPEG file that starts with `bytes`, 1 to 8 as
// the tag counts (1 upright, 2 to 8 turned or mirrored); 1 when the file
// holds none or anything about it is wrong. Reads nothing outside `bytes`.
int ReadExifOrientation(const uint8_t* bytes, std::size_t size);
