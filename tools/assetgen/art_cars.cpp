// The eight cars: text pixel maps seen from above, driving to the right, on the magenta key.
//
// Symbols: the palette letters (see palette.h), '.' for the key, and the body colours of each car
// in slots: '1' body, '2' body in shadow (the side away from the light), '3' body in light,
// '4' trim. The outer ink outline is added by code, so the maps show only the car itself.
//
// A map is at most 14 rows tall: with the outline above and below and the shadow under it the car
// covers rows 8 to 24 of its picture, which at twice the size is the inside of the lesson menu's
// car frame, below the pupil's name.
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
.....LDLDLD.........LDLDL.......
.L4R333333333333333333333333....
.L4R1111111BBBBBBBB11111113333..
.L41111111Ba333331aB111111113y3.
.L41111111BB333331aa111111111y3.
.L41111111BB111111BB11122221112.
.L41111111BB111111BB11111111112.
.L41111111BB111111BB11111111112.
.L41111111BB111111BB11122221112.
.L41111111BB111111BB111111111y2.
.L41111111BB111111BB111111112y2.
.L4R1111111BBBBBBBB11111112222..
.L4R222222222222222222222222....
.....LDLDLD.........LDLDL.......
)";

// 2: van, short bonnet and a long flat roof with a rack.
const char* Van = R"(
.....DDDDD............DDDDD.....
.R3333333333333333333333333333y.
.R33333333333333333333BBB33333y.
.311111111111111111111aaB111113.
.111LLLLLLLLLLLLLLLLL1aBB111111.
.1211L11L11L11L11L11L1BBB111111.
.1211L11L11L11L11L11L1BBB111111.
.1211L11L11L11L11L11L1BBB111111.
.1211L11L11L11L11L11L1BBB111111.
.111LLLLLLLLLLLLLLLLL1BBB111111.
.211111111111111111111BBB111112.
.R22222222222222222222BBB22222y.
.R2222222222222222222222222222y.
.....DDDDD............DDDDD.....
)";

// 3: buggy, a short open tub on four fat tyres: the driver's helmet in the cockpit, one roll bar
// behind it and the engine hanging out at the back. Kept plain so it reads at a glance.
const char* Buggy = R"(
..DDDDDDDD........DDDDDD....
..DGGGGGGD........DGGGGD....
..DDDDDDDD........DDDDDD....
...33333L33333333333333.....
..L31111LDDDDDDD1111111333..
.LGG1111LDDRRRDD11111111113.
.LGG1111LDRRRRWD11111111111y
.LGG1111LDRRRRrD11111111111y
.LGG2222LDDrrrDD22222222222.
..L22222LDDDDDDD2222222222..
...22222L22222222222222.....
..DDDDDDDD........DDDDDD....
..DGGGGGGD........DGGGGD....
..DDDDDDDD........DDDDDD....
)";

// 4: truck, a cab in front and a flatbed of crates behind.
const char* Truck = R"(
.ntttttttttttttttttt...DDDDD.K..
.nbbbbbbbbbbbbbbbbbbK333333333..
.nbssssssbbsssssssbbK333333333y.
.nbtsbsssbbtsbssbsbbK1111aaB11y.
.nbttbtttbbttbttbtbbK1333aBB111.
.nbttbtttbbttbttbtbbK1333BBB111.
.nbttbtttbbttbttbtbbK1111BBB111.
.nbssssssbbttbttbtbbK1111BBB111.
.nbtsbsssbbttbttbtbbK1111BBB111.
.nbttbtttbbttbttbtbbK1111BBB111.
.nbttbtttbbttbttbtbbK1111BBB11y.
.nbbbbbbbbbbbbbbbbbbK222222222y.
.nbbbbbbbbbbbbbbbbbbK222222222..
.nnnnnnnnnnnnnnnnnnn...DDDDD.K..
)";

// 5: formula racer, narrow body, wings front and back, open wheels, driver's helmet.
const char* Formula = R"(
.L44LDLDLD...........LDLDL......
.L44DDDDDD...........DDDDD..44G.
.L44DDDDDD22222222...DDDDD..44G.
.L44DDDDDD.3333333...DDDDD..44G.
.L4433333331KKKKK1333.......44G.
.L4411111111KWWyK1111333333344G.
.L4211111111KWWyB1111133333333G.
.L4211111111KyyyB1111133333322G.
.L4411111111KyyyK1111222222244G.
.L4422222221KKKKK1222.......44G.
.L44DDDDDD.2222222...DDDDD..44G.
.L44DDDDDD22222222...DDDDD..44G.
.L44DDDDDD...........DDDDD..44G.
.L44LDLDLD...........LDLDL......
)";

// 6: mini, short and round, white roof.
const char* Mini = R"(
.......DDDD.........DDDD........
.......3333333333333333333......
......333333333333333333333.....
.....R311PPPPPPPPPPBB1111133....
.....31BBWWWWWWWWWPaa111111y....
.....11aBWWWWWWWWWPaB1111111....
.....11BBWWWWWWWWWPBB1111111....
.....11BBWWWWWWWWWPBB1111111....
.....11BBWWWWWWWWWPBB1111111....
.....21BBWWWWWWWWWPBB111111y....
.....R211PPPPPPPPPPBB1111122....
......222222222222222222222.....
.......2222222222222222222......
.......DDDD.........DDDD........
)";

// 7: jeep, boxy, a canvas top with two hoops, a spare wheel behind and a bar in front.
const char* Jeep = R"(
.....DDDDDD.........DDDDDD....
...3333333333333333333333333..
...3ttttttttttttttBB11111113L.
...1tttbttttbtttttaB1111111yL.
DDD1tttbttttbtttttaB11111111L.
DGD1tttbttttbtttttBB11111111L.
DGD1tttbttttbtttttBB11111111L.
DGD1tttbttttbtttttBB11111111L.
DGD1tttbttttbtttttBB11111111L.
DDD1tttbttttbtttttBB11111111L.
...1tttbttttbtttttBB1111111yL.
...2ttttttttttttttBB11111112L.
...2222222222222222222222222..
.....DDDDDD.........DDDDDD....
)";

// 8: rally hatchback, white with stripes, a roof number and a roof spoiler.
const char* Rally = R"(
......DDDDD.........DDDDD.......
...R433333333333333333333333....
...34BB3333333333BBB11111133y...
...14aB1111111111aaB111111113...
...14BB111WWWW111aBB111111111...
...44BB11WWWKWW11BBB444444444...
...14BB11WWKKWW11BBBRRRRRRRRR...
...14BB11WWWKWW11BBBRRRRRRRRR...
...44BB11WWKKKW11BBB444444444...
...14BB111WWWW111BBB111111111...
...14BB1111111111BBB111111112...
...24BB1111111111BBB11111122y...
...R422222222222222222222222....
......DDDDD.........DDDDD.......
)";

const CarArt Cars[8] = {
    {SportsCar, pal::Red, pal::DarkRed, pal::Peach, pal::Ink},
    {Van, pal::Blue, pal::DarkBlue, pal::LightBlue, pal::Ink},
    {Buggy, pal::Yellow, pal::Orange, pal::Cream, pal::Ink},
    {Truck, pal::Green, pal::DarkGreen, pal::LightGreen, pal::Ink},
    {Formula, pal::Orange, pal::DarkRed, pal::Yellow, pal::DarkGrey},
    {Mini, pal::Teal, pal::DarkGreen, pal::Mint, pal::Ink},
    {Jeep, pal::Purple, pal::DarkPurple, pal::Purple, pal::Ink},
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
    // A shadow one pixel below the car gives it weight on the road.
    const Image outlined = *car;
    for (int y = 1; y < 32; ++y)
        for (int x = 1; x < 32; ++x)
            if (peek(outlined, x, y) == pal::Key && peek(outlined, x, y - 1) != pal::Key &&
                peek(outlined, x - 1, y - 1) != pal::Key)
                plot(*car, x, y, pal::DarkGrey);
    return car;
}
