// Decoding BMP pictures held in memory; loadBitmap (present/image.h) is the same for a file.
#pragma once
#include <cstddef>
#include <cstdint>

#include "present/image.h"

// Decodes the BMP file held in bytes[0..size) into the top-left corner of an existing image, the
// same way loadBitmap does. bytes may be null when size is 0. Returns false, with the image
// untouched, when the data is not a BMP this reads, is cut short or declares impossible sizes.
bool decodeBitmap(const std::uint8_t* bytes, std::size_t size, Image* image);
