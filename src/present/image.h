// Images: owned rectangles of 32-bit 0xAARRGGBB pixels, and the drawing services on them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The transparent key colour: magenta. putImage compares only the low 24 bits with it.
constexpr std::uint32_t KeyColor = 0x00FF00FFu;
constexpr std::uint32_t KeyColorOpaque = 0xFFFF00FFu;

struct Image {
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next; always width * 4 here
    std::vector<std::uint32_t> pixels;
};

// An empty image field is a null handle.
using ImageHandle = std::unique_ptr<Image>;

struct ImageInfo {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 0;
    int pitch = 0;
    std::uint32_t* pixels = nullptr;
};

enum class PutMode { Transparent, Copy, Blend };

// Creates a width x height image with every pixel set to fill (0xFFFF00FF when none is given).
// Width and height below 1 are raised to 1.
ImageHandle createImage(int width, int height, std::uint32_t fill = KeyColorOpaque);

// Facts of an image; all zero for a null image.
ImageInfo imageInfo(const Image* image);

// Puts the whole source with its top-left pixel at (x, y), rounded half away from zero.
// Clipped to the target; a null target or source draws nothing. alpha is used by Blend only.
void putImage(Image* target, double x, double y, const Image* source, PutMode mode, int alpha = 255);

// One-pixel outline / filled rectangle with both corners included, in either order.
void drawBox(Image* target, double x1, double y1, double x2, double y2, std::uint32_t colour);
void fillBox(Image* target, double x1, double y1, double x2, double y2, std::uint32_t colour);

// Draws the bytes of text in the built-in 8 x 8 code page 437 font, glyph i at (x + 8i, y).
// Only set glyph pixels are written.
void drawText(Image* target, double x, double y, const std::string& text, std::uint32_t colour);

// Reads a BMP file (1, 4, 8, 16, 24, 32 bits; 4 and 8 bits also run-length compressed) into the
// top-left corner of an existing image. Pixels a compressed picture skips keep the image's own.
// Returns false, leaving the image untouched, when the file is missing, malformed or hostile.
bool loadBitmap(const std::string& path, Image* image);

// Rounds half away from zero, as every position handed to the drawing services is.
int roundPosition(double v);
