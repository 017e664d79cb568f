// The makers of the game's pictures. Each returns a new image at the picture's size, drawn only
// in palette colours and, where the picture must be see-through, the magenta key.
#pragma once
#include "present/image.h"

// Seasons in track order: 0 "Summer", 1 "Winter", 2 "Desert", 3 "Volcano".
constexpr int SeasonCount = 4;

// Track tiles (32 x 32, opaque), by the slot they fill.
enum class TileKind { Road, StartLine, Bridge, WaterFirst, WaterInner, WaterLast, Grass };
// variant: 0..5 for Grass, ignored otherwise. season: 0..3.
ImageHandle makeTile(int season, TileKind kind, int variant);

// Car n (1..8), 32 x 32 on the key, seen from above and driving to the right.
ImageHandle makeCar(int n);
// Driver portrait n (1..13), 32 x 32, opaque.
ImageHandle makeDriver(int n);

// Interface pictures.
ImageHandle makeArrow(bool next);  // 16 x 16 on the key
ImageHandle makeBoard();           // 100 x 31, opaque
ImageHandle makeBottom();          // 320 x 20, opaque
ImageHandle makeScene(int season); // 80 x 45, opaque
ImageHandle makeSnow();            // 320 x 180, white flakes on the key, tiles both ways
ImageHandle makeSplash();          // 320 x 180, opaque; title in the upper-left 160 x 90
ImageHandle makeBack();            // 320 x 180, opaque: lesson menu, results, race veil
ImageHandle makeBack2();           // 320 x 180, opaque: classroom, player and track menus
