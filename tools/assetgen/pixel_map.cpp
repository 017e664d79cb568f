// Parsing and drawing of the text pixel maps.
#include "pixel_map.h"

#include <stdexcept>

#include "palette.h"

PixelMap parseMap(std::string_view text, std::string_view what) {
    if (!text.empty() && text.front() == '\n') text.remove_prefix(1);
    PixelMap map;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view row = text.substr(start, end - start);
        start = end + 1;
        if (row.find_first_not_of(' ') == std::string_view::npos) {
            // A blank line ends the map; only blank lines may follow it.
            if (text.substr(start).find_first_not_of(" \n") != std::string_view::npos)
                throw std::runtime_error(std::string(what) + ": blank line inside the map");
            break;
        }
        if (map.height == 0) map.width = static_cast<int>(row.size());
        if (static_cast<int>(row.size()) != map.width)
            throw std::runtime_error(std::string(what) + ": row " + std::to_string(map.height + 1) +
                                     " is " + std::to_string(row.size()) + " wide, not " +
                                     std::to_string(map.width));
        for (char c : row)
            if (c != ' ' && !(c >= '0' && c <= '9') && paletteSymbol(c) == 0)
                throw std::runtime_error(std::string(what) + ": unknown symbol '" + c + "'");
        map.cells.append(row);
        ++map.height;
    }
    if (map.height == 0) throw std::runtime_error(std::string(what) + ": empty map");
    return map;
}

std::uint32_t mapColour(char symbol, const Slots& slots) {
    if (symbol == ' ') return 0;
    if (symbol >= '0' && symbol <= '9') {
        const std::uint32_t c = slots.colour[static_cast<std::size_t>(symbol - '0')];
        if (c == 0) throw std::runtime_error(std::string("colour slot ") + symbol + " is not set");
        return c;
    }
    const std::uint32_t c = paletteSymbol(symbol);
    if (c == 0) throw std::runtime_error(std::string("unknown map symbol '") + symbol + "'");
    return c;
}

void stampMap(Image& target, int x, int y, const PixelMap& map, const Slots& slots, bool mirror) {
    for (int my = 0; my < map.height; ++my) {
        const int ty = y + my;
        if (ty < 0 || ty >= target.height) continue;
        for (int mx = 0; mx < map.width; ++mx) {
            const int tx = x + (mirror ? map.width - 1 - mx : mx);
            if (tx < 0 || tx >= target.width) continue;
            const char symbol = map.cells[static_cast<std::size_t>(my) * map.width + mx];
            if (symbol == '.' || symbol == ' ') continue;
            target.pixels[static_cast<std::size_t>(ty) * target.width + tx] = mapColour(symbol, slots);
        }
    }
}
