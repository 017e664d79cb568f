// Builds BMP files in memory for the picture-loading tests and the fuzzer's starting inputs.
#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace bmptest {

struct BmpSpec {
    int width = 1;
    int height = 1;  // negative: rows stored top row first
    int bitsPerPixel = 24;
    std::uint32_t headerSize = 40;  // 12 writes the OS/2 core header
    std::uint32_t compression = 0;
    int planes = 1;
    std::uint32_t coloursUsed = 0;
    std::vector<std::uint32_t> palette;           // 0x00RRGGBB entries
    std::uint32_t masks[4] = {0, 0, 0, 0};        // red, green, blue, alpha
    std::int64_t dataOffset = -1;                 // -1: right after the headers and palette
};

inline void putU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// stored(x, y) gives the raw value of the picture pixel in column x of row y (row 0 at the top):
// a palette index, a packed 16- or 32-bit value, or 0x00RRGGBB for 24 bits.
inline std::vector<std::uint8_t> writeBmp(const BmpSpec& spec, const std::function<std::uint32_t(int, int)>& stored) {
    const bool core = spec.headerSize == 12;
    const std::size_t entrySize = core ? 3 : 4;
    const bool masksAfterHeader = !core && spec.headerSize < 52 && (spec.compression == 3 || spec.compression == 6);
    const std::size_t maskBytes = masksAfterHeader ? (spec.compression == 6 ? 16 : 12) : 0;
    const std::size_t paletteAt = 14 + spec.headerSize + maskBytes;
    const std::size_t headersEnd = paletteAt + spec.palette.size() * entrySize;
    const std::size_t dataAt = spec.dataOffset >= 0 ? static_cast<std::size_t>(spec.dataOffset) : headersEnd;
    const int rows = spec.height < 0 ? -spec.height : spec.height;
    const std::size_t stride = (static_cast<std::size_t>(spec.width) * spec.bitsPerPixel + 31) / 32 * 4;

    std::vector<std::uint8_t> out(std::max(headersEnd, dataAt) + stride * rows, 0);
    out[0] = 'B';
    out[1] = 'M';
    putU32(out, 2, static_cast<std::uint32_t>(out.size()));
    putU32(out, 10, static_cast<std::uint32_t>(dataAt));
    putU32(out, 14, spec.headerSize);
    if (core) {
        putU16(out, 18, static_cast<std::uint32_t>(spec.width));
        putU16(out, 20, static_cast<std::uint32_t>(spec.height));
        putU16(out, 22, static_cast<std::uint32_t>(spec.planes));
        putU16(out, 24, static_cast<std::uint32_t>(spec.bitsPerPixel));
    } else {
        putU32(out, 18, static_cast<std::uint32_t>(spec.width));
        putU32(out, 22, static_cast<std::uint32_t>(spec.height));
        putU16(out, 26, static_cast<std::uint32_t>(spec.planes));
        putU16(out, 28, static_cast<std::uint32_t>(spec.bitsPerPixel));
        if (spec.headerSize >= 40) {
            putU32(out, 30, spec.compression);
            putU32(out, 34, static_cast<std::uint32_t>(stride * rows));
            putU32(out, 46, spec.coloursUsed);
        }
        if (spec.headerSize >= 52)
            for (int i = 0; i < (spec.headerSize >= 56 ? 4 : 3); ++i) putU32(out, 54 + 4 * i, spec.masks[i]);
        for (std::size_t i = 0; i < maskBytes / 4; ++i) putU32(out, 14 + spec.headerSize + 4 * i, spec.masks[i]);
    }
    for (std::size_t i = 0; i < spec.palette.size(); ++i) {
        const std::uint32_t c = spec.palette[i];
        out[paletteAt + i * entrySize] = static_cast<std::uint8_t>(c);
        out[paletteAt + i * entrySize + 1] = static_cast<std::uint8_t>(c >> 8);
        out[paletteAt + i * entrySize + 2] = static_cast<std::uint8_t>(c >> 16);
    }

    for (int y = 0; y < rows; ++y) {
        const int storedRow = spec.height < 0 ? y : rows - 1 - y;
        const std::size_t rowAt = dataAt + stride * storedRow;
        for (int x = 0; x < spec.width; ++x) {
            const std::uint32_t v = stored(x, y);
            const int bpp = spec.bitsPerPixel;
            if (bpp < 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * bpp;
                out[rowAt + bit / 8] |= static_cast<std::uint8_t>((v & ((1u << bpp) - 1)) << (8 - bpp - bit % 8));
            } else {
                for (int b = 0; b < bpp / 8; ++b)
                    out[rowAt + static_cast<std::size_t>(x) * (bpp / 8) + b] = static_cast<std::uint8_t>(v >> (8 * b));
            }
        }
    }
    return out;
}

// A run-length compressed file: RLE4 for 4 bits, RLE8 otherwise, with stream as its pixel data.
inline std::vector<std::uint8_t> writeRleBmp(BmpSpec spec, const std::vector<std::uint8_t>& stream) {
    spec.compression = spec.bitsPerPixel == 4 ? 2 : 1;
    std::vector<std::uint8_t> out = writeBmp(spec, [](int, int) { return 0u; });
    const std::size_t dataAt = out[10] | (out[11] << 8) | (out[12] << 16) | (static_cast<std::size_t>(out[13]) << 24);
    out.resize(dataAt);
    out.insert(out.end(), stream.begin(), stream.end());
    putU32(out, 2, static_cast<std::uint32_t>(out.size()));
    putU32(out, 34, static_cast<std::uint32_t>(stream.size()));
    return out;
}

// A 4 x 3 RLE8 picture using every kind of run. Bottom row: 1 1 1 2. Middle row: 3 2 1 and one
// pixel skipped by the line end. Top row: two pixels skipped by a move, then 3 3.
inline const std::vector<std::uint8_t> Rle8Stream = {
    3, 1, 1, 2, 0, 0,        // runs of three 1s and one 2, end of line
    0, 3, 3, 2, 1, 0, 0, 0,  // three pixels one by one, padded to 16 bits; end of line
    0, 2, 2, 0,              // move two right
    2, 3, 0, 1,              // two 3s, end of picture
};

// A 5 x 2 RLE4 picture. Bottom row: 1 2 1 2 1 (one run of alternating pixels). Top row: 3 0 2 1 3
// one by one (three bytes, padded to four).
inline const std::vector<std::uint8_t> Rle4Stream = {
    5, 0x12, 0, 0,
    0, 5, 0x30, 0x21, 0x30, 0, 0, 1,
};

}  // namespace bmptest
