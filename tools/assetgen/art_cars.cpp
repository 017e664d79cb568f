// The eight cars: text pixel maps seen from above, driving to the right, on the magenta key.
//
// Symbols: the palette letters (see palette.h), '.' for the key, and the body colours of each car
// in slots: '1' body, '2' body in shadow (the side away from the light), '3' body in light,
// '4' trim. The outer ink outline is added by code, so the maps show only the car itself.
#include <stdexcept>

#include "art.h"
#include "paint.h"
#include "palette.h"
#include "pixel_map.h"

namespace {

struct CarArt {
    const char* map;
    std::uint32_t body, shadow, light, trim;
};

// 1: sports car, long bonnet, low cockpit set back, rear wing.
const char* SportsCar = R"(
......DDDDD...........DDDDD.....
...44DDDDDDD.........DDDDDDD....
..4433333333333333333333333333..
..441333333333333333333333333y..
..44111111aaKKKKKKaaaa111111111.
..44111111aiK1111Kaiia1111111113
..44111111aaK1111Kaiaa11111111yy
..44111111aaK1111Kaaaa11111111yy
..44111111aaK1111Kaaaa1111111113
..44222222aaKKKKKKaaaa222222222.
..442222222222222222222222222y..
..4422222222222222222222222222..
...44DDDDDDD.........DDDDDDD....
......DDDDD...........DDDDD.....
)";

// 2: van, short bonnet and a long flat roof with a rack.
const char* Van = R"(
.....DDDDD...........DDDDD......
..333333333333333333333333333...
.r33333333333333333333333333333.
.r311111111111111111111aaa11113y
.R31LLLLLLLLLLLLLLLLLL1aiaa1111y
.R31L1L1L1L1L1L1L1L1LL1aiaa11113
.r31LLLLLLLLLLLLLLLLLL1aaaa11113
.r31L1L1L1L1L1L1L1L1LL1aaaa11113
.R31LLLLLLLLLLLLLLLLLL1aaaa1111y
.R32222222222222222222aaa22222y.
.r22222222222222222222222222222.
..222222222222222222222222222...
.....DDDDD...........DDDDD......
)";

// 3: buggy, open frame on big wheels, roll cage, driver's helmet.
const char* Buggy = R"(
...DDDDDDD...........DDDDDD.....
...DLDLDLD...........DLDLDD.....
...DDDDDDD...........DDDDDD.....
.......3333333333333333.........
....GGG1113KKKKKKK3111133y......
...GLG.111K3.RRR.K1111111y......
...GGG.111K..RWRR.K11111113.....
...GLG.111K..RRRR.K11111113.....
...GGG.111K3.RRR.K1111111y......
....GGG2222KKKKKKK2222222y......
.......2222222222222222.........
...DDDDDDD...........DDDDDD.....
...DLDLDLD...........DLDLDD.....
...DDDDDDD...........DDDDDD.....
)";

// 4: truck, a cab in front and a flatbed of crates behind.
const char* Truck = R"(
...DDDDDDDDDD.........DDDDD.....
..bbbbbbbbbbbbbbbbbb.3333333333.
..bttttttttbsssssssb331111111111
..btsssssstbtttttttb3111aaa1111y
..btsbbbbstbtbbbbbtb3111aiaa1113
..btsbsssstbtbssstbb3111aiaa1113
..btsbsssstbtbssstbb3111aaaa1113
..btsbbbbstbtbbbbbtb3111aaaa1113
..btttttttnbttttttnb3111aaaa1113
..bssssssssbtttttttb2222aaa2222y
..bbbbbbbbbbbbbbbbbb222222222222
..DDDDDDDDDD..........2222222222
...DDDDDDDDDD.........DDDDD.....
)";

// 5: formula racer, narrow body, wings front and back, open wheels, driver's helmet.
const char* Formula = R"(
..4444.DDDDDD.........DDDDD..4..
..4444.DLDLDD.........DLDLD.44..
..4444.DDDDDD.........DDDDD.44..
..44.........................4..
..441.....3333333.........3..44.
..44133333111KK11333333333113344
..44111111111KyyK11111111111111y
..44111111111KyyK11111111111111y
..44122222111KK11222222222112244
..441.....2222222.........2..44.
..44.........................4..
..4444.DDDDDD.........DDDDD.44..
..4444.DLDLDD.........DLDLD.44..
..4444.DDDDDD.........DDDDD..4..
)";

// 6: mini, short and round, white roof.
const char* Mini = R"(
.........DDDD.........DDDD......
......3333333333333333333.......
....333333333333333333333333....
...R31111WWWWWWWWWWW1aaa111113..
...r3111WPPPPPPPPPPPWaiaa11111y.
...R311aWPWWWWWWWWWPWaiaa11111y.
...R311aWPWWWWWWWWWPWaaaa111113.
...R311aWPWWWWWWWWWPWaaaa111113.
...r3111WPPPPPPPPPPPWaaaa11111y.
...R22222WWWWWWWWWWW2aaa22222y..
....222222222222222222222222....
......2222222222222222222.......
.........DDDD.........DDDD......
)";

// 7: jeep, boxy with a soft top, a spare wheel behind and a bar in front.
const char* Jeep = R"(
.....DDDDDD..........DDDDDD.....
.....DLDLDD..........DLDLDD.....
...333333333333333333333333..L..
...311111111111111111111113..L..
.KK31nnnnnnnnnnnnnnnaaaa1113.L..
KDDK1nbnbnbnbnbnbnnnaiaa11111Ly.
KDLDK1nbnbnbnbnbnbnnaiaa11111L..
KDLDK1nbnbnbnbnbnbnnaaaa11111L..
KDDK1nbnbnbnbnbnbnnnaaaa11111Ly.
.KK21nnnnnnnnnnnnnnnaaaa1112.L..
...211111111111111111111112..L..
...222222222222222222222222..L..
.....DLDLDD..........DLDLDD.....
.....DDDDDD..........DDDDDD.....
)";

// 8: rally hatchback, white with stripes, a roof number and a roof spoiler.
const char* Rally = R"(
......DDDDD..........DDDDD......
...3333333333333333333333333....
..R3333333333333333333333333y...
..R3111444444444444444444111yy..
..r411aa4KKKKKKKKKaaa444411113..
..4411aa4KWWWWWWWKaiaa44411113..
..4411aa4KWWKKKWWKaiaa44411113..
..4411aa4KWWWKWWWKaaaa44411113..
..4411aa4KWWWKWWWKaaaa44411113..
..r411aa4KWWKKKWWKaaaa44411113..
..R2111444444444444444444111yy..
..R2222222222222222222222222y...
...2222222222222222222222222....
......DDDDD..........DDDDD......
)";

const CarArt Cars[8] = {
    {SportsCar, pal::Red, pal::DarkRed, pal::Peach, pal::Ink},
    {Van, pal::Blue, pal::DarkBlue, pal::LightBlue, pal::Ink},
    {Buggy, pal::Yellow, pal::Orange, pal::Cream, pal::Ink},
    {Truck, pal::Green, pal::DarkGreen, pal::LightGreen, pal::Ink},
    {Formula, pal::Orange, pal::DarkRed, pal::Yellow, pal::DarkGrey},
    {Mini, pal::Teal, pal::DarkGreen, pal::Mint, pal::Ink},
    {Jeep, pal::Purple, pal::DarkPurple, pal::Pink, pal::Ink},
    {Rally, pal::White, pal::PaleGrey, pal::White, pal::Blue},
};

}  // namespace

ImageHandle makeCar(int n) {
    if (n < 1 || n > 8) throw std::runtime_error("no car " + std::to_string(n));
    const CarArt& art = Cars[n - 1];
    const PixelMap map = parseMap(art.map, "car " + std::to_string(n));
    Slots slots;
    slots.colour[1] = art.body;
    slots.colour[2] = art.shadow;
    slots.colour[3] = art.light;
    slots.colour[4] = art.trim;
    ImageHandle car = createImage(32, 32, pal::Key);
    stampMap(*car, (32 - map.width) / 2, (32 - map.height) / 2, map, slots);
    outlineOnKey(*car, pal::Ink);
    return car;
}
