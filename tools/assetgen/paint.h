// Drawing helpers for composing the larger pictures: shapes, ordered dither and repeatable noise.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "present/image.h"

// Every helper clips to the image; coordinates outside it are harmless.
void plot(Image& image, int x, int y, std::uint32_t colour);
// The pixel at (x, y), or 0 outside the image.
std::uint32_t peek(const Image& image, int x, int y);

// Filled rectangle, both corners included.
void fillRect(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour);
// Filled ellipse centred at (cx, cy) with radii rx and ry (a pixel is in when its centre is).
void fillEllipse(Image& image, double cx, double cy, double rx, double ry, std::uint32_t colour);
// One-pixel line, both ends included.
void drawLine(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour);

// The 4 x 4 ordered dither: true for `level` of every 16 pixels (level 0 none, 16 all), spread
// evenly, so that two palette colours mix into an in-between tone without new colours.
bool ditherOn(int x, int y, int level);
// Paints colour on the dithered share `level` / 16 of the rectangle.
void ditherRect(Image& image, int x0, int y0, int x1, int y1, std::uint32_t colour, int level);
// Vertical gradient through the given colours over rows y0..y1, columns x0..x1, dithered between
// neighbouring colours.
void gradientRows(Image& image, int x0, int y0, int x1, int y1,
                  const std::vector<std::uint32_t>& colours);

// A repeatable pseudo-random number for a position and a seed (the pictures never use the
// game's random generator, so every run writes the same bytes).
std::uint32_t noise(int x, int y, std::uint32_t seed);
// noise() reduced to 0 .. n - 1.
int noiseBelow(int x, int y, std::uint32_t seed, int n);

// Draws a one-pixel outline in `colour` on every key pixel that touches (4-neighbour) a
// non-key pixel: the usual dark edge of a sprite on the magenta key.
void outlineOnKey(Image& image, std::uint32_t colour);
// Replaces every pixel of colour `from` with `to` inside the rectangle.
void recolour(Image& image, int x0, int y0, int x1, int y1, std::uint32_t from, std::uint32_t to);

// The image enlarged by a whole factor, each pixel becoming a factor x factor block.
ImageHandle enlarge(const Image& image, int factor);

// The game's 8 x 8 font drawn `scale` times enlarged: each glyph pixel becomes a scale x scale block.
void bigText(Image& image, int x, int y, const std::string& text, std::uint32_t colour, int scale);
