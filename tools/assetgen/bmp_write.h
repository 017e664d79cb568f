// Writes an image as an uncompressed 24-bit bottom-up Windows BMP file.
#pragma once
#include <string>
#include <vector>

#include "present/image.h"

// The file's bytes: 54-byte header, then rows bottom-up, each padded to a multiple of 4 bytes.
// Alpha is dropped. The image must have width and height of at least 1.
std::vector<unsigned char> encodeBmp(const Image& image);

// Writes encodeBmp(image) to path, replacing any file there. Returns false when it cannot.
bool writeBmp(const std::string& path, const Image& image);
