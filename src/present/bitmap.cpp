// Reads Windows and OS/2 BMP pictures (1, 4, 8, 16, 24, 32 bits, 4 and 8 bits also run-length
// compressed) into the top-left corner of an image.
#include "present/bitmap.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr std::uint32_t CompressionNone = 0;
constexpr std::uint32_t CompressionRle8 = 1;
constexpr std::uint32_t CompressionRle4 = 2;
constexpr std::uint32_t CompressionBitfields = 3;
constexpr std::uint32_t CompressionAlphaBitfields = 6;
constexpr std::uint32_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;    // OS/2 1.x: 16-bit sizes, 3-byte palette entries
constexpr std::uint32_t Os2HeaderSize = 64;     // OS/2 2.x: its compression 3 means something else
constexpr std::uint32_t LargestHeaderSize = 124;  // later headers only add fields this ignores

// A BMP held in memory.
struct MemoryBytes {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;

    bool read(std::uint64_t offset, std::size_t count, std::uint8_t* out) const {
        if (offset > size || count > size - offset) return false;
        if (count > 0) std::memcpy(out, data + offset, count);
        return true;
    }
};

// A BMP file, read a piece at a time so that only the rows that are used come into memory.
struct FileBytes {
    std::ifstream* file = nullptr;
    std::uint64_t size = 0;

    bool read(std::uint64_t offset, std::size_t count, std::uint8_t* out) const {
        if (offset > size || count > size - offset) return false;
        if (count == 0) return true;
        file->clear();
        file->seekg(static_cast<std::streamoff>(offset));
        file->read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
        return file->gcount() == static_cast<std::streamsize>(count);
    }
};

std::uint32_t u16At(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t u32At(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t i32At(const std::uint8_t* p) { return static_cast<std::int32_t>(u32At(p)); }

// One colour channel packed under a bit mask, widened to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t largest = 0;  // the channel's value when every mask bit is set
};

Channel channelOf(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask != 0) {
        c.shift = std::countr_zero(mask);
        c.largest = mask >> c.shift;
    }
    return c;
}

std::uint32_t widen(const Channel& c, std::uint32_t value) {
    if (c.largest == 0) return 0;
    const std::uint64_t v = (value & c.mask) >> c.shift;
    return static_cast<std::uint32_t>((v * 255 + c.largest / 2) / c.largest);
}

// What the headers say, checked against each other and against the length of the file.
struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    Channel red, green, blue, alpha;  // 16 and 32 bits
    bool hasAlpha = false;
    std::vector<std::uint32_t> palette;  // 1, 4 and 8 bits, as opaque pixels
    std::uint64_t dataOffset = 0;
    std::uint64_t stride = 0;  // bytes from one stored row to the next
    bool runLength = false;    // RLE8 or RLE4 (by bitsPerPixel): a stream of runs, not rows
};

template <class Bytes>
bool readLayout(const Bytes& bytes, Layout& layout) {
    std::uint8_t fileHeader[FileHeaderSize + 4];
    if (!bytes.read(0, sizeof fileHeader, fileHeader)) return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
    layout.dataOffset = u32At(fileHeader + 10);
    const std::uint32_t headerSize = u32At(fileHeader + 14);
    if (headerSize != CoreHeaderSize && headerSize < 16) return false;
    if (headerSize > bytes.size - FileHeaderSize) return false;

    // Fields beyond a short header read as zero.
    std::uint8_t header[LargestHeaderSize] = {};
    if (!bytes.read(FileHeaderSize, std::min(headerSize, LargestHeaderSize), header)) return false;

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    std::uint32_t compression = CompressionNone;
    std::uint32_t coloursUsed = 0;
    if (headerSize == CoreHeaderSize) {
        width = u16At(header + 4);
        height = u16At(header + 6);
        planes = u16At(header + 8);
        layout.bitsPerPixel = static_cast<int>(u16At(header + 10));
    } else {
        width = i32At(header + 4);
        height = i32At(header + 8);
        planes = u16At(header + 12);
        layout.bitsPerPixel = static_cast<int>(u16At(header + 14));
        compression = u32At(header + 16);
        coloursUsed = u32At(header + 32);
    }
    if (planes != 1 || width <= 0 || height == 0) return false;
    layout.topDown = height < 0;
    layout.width = static_cast<std::uint32_t>(width);
    layout.height = static_cast<std::uint32_t>(height < 0 ? -height : height);

    const int bpp = layout.bitsPerPixel;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    const bool masked = compression == CompressionBitfields || compression == CompressionAlphaBitfields;
    // Runs are stored from the bottom row up; a top-down picture cannot be run-length compressed.
    layout.runLength = ((compression == CompressionRle8 && bpp == 8) || (compression == CompressionRle4 && bpp == 4)) &&
                       !layout.topDown;
    if (compression != CompressionNone && !layout.runLength &&
        !(masked && (bpp == 16 || bpp == 32) && headerSize != Os2HeaderSize))
        return false;

    if (bpp == 16 || bpp == 32) {
        std::uint32_t masks[4] = {0, 0, 0, 0};
        if (!masked) {
            // Plain 16-bit pictures are 5-5-5; plain 32-bit ones carry no alpha.
            masks[0] = bpp == 16 ? 0x7C00u : 0x00FF0000u;
            masks[1] = bpp == 16 ? 0x03E0u : 0x0000FF00u;
            masks[2] = bpp == 16 ? 0x001Fu : 0x000000FFu;
        } else if (headerSize >= 52) {
            for (int i = 0; i < 4; ++i) masks[i] = u32At(header + 40 + 4 * i);  // alpha is 0 if the header stops at 52
        } else {
            // Older headers keep the masks just after themselves.
            std::uint8_t stored[16];
            const std::size_t count = compression == CompressionAlphaBitfields ? 16 : 12;
            if (!bytes.read(FileHeaderSize + headerSize, count, stored)) return false;
            for (std::size_t i = 0; i < count / 4; ++i) masks[i] = u32At(stored + 4 * i);
        }
        const std::uint32_t inRange = bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        layout.red = channelOf(masks[0] & inRange);
        layout.green = channelOf(masks[1] & inRange);
        layout.blue = channelOf(masks[2] & inRange);
        layout.alpha = channelOf(masks[3] & inRange);
        layout.hasAlpha = layout.alpha.mask != 0;
    }

    if (bpp <= 8) {
        const std::uint64_t entrySize = headerSize == CoreHeaderSize ? 3 : 4;
        const std::uint64_t paletteOffset = FileHeaderSize + headerSize;
        std::uint64_t count = 1u << bpp;
        if (coloursUsed > 0 && coloursUsed < count) count = coloursUsed;
        // Some writers keep a shorter palette than they declare; use what lies before the pixels.
        if (layout.dataOffset > paletteOffset) count = std::min(count, (layout.dataOffset - paletteOffset) / entrySize);
        else count = 0;
        if (count == 0) return false;
        std::uint8_t stored[256 * 4];
        if (!bytes.read(paletteOffset, static_cast<std::size_t>(count * entrySize), stored)) return false;
        layout.palette.resize(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = stored + i * entrySize;
            layout.palette[i] = 0xFF000000u | (static_cast<std::uint32_t>(e[2]) << 16) |
                                (static_cast<std::uint32_t>(e[1]) << 8) | e[0];
        }
    }

    // The runs are checked one by one as they are decoded; they must at least start in the file.
    if (layout.runLength) return layout.dataOffset < bytes.size;
    // Every row of the picture must be in the file, the last one at least up to its last pixel.
    const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(bpp);
    layout.stride = (bitsPerRow + 31) / 32 * 4;
    const std::uint64_t lastRowBytes = (bitsPerRow + 7) / 8;
    if (layout.dataOffset >= bytes.size || lastRowBytes > bytes.size - layout.dataOffset) return false;
    const std::uint64_t roomAfterFirstRow = bytes.size - layout.dataOffset - lastRowBytes;
    if (layout.height - 1 > roomAfterFirstRow / layout.stride) return false;
    return true;
}

// The pixel at column x of a stored row, as 0xAARRGGBB.
std::uint32_t pixelAt(const Layout& layout, const std::uint8_t* row, std::uint32_t x) {
    switch (layout.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            const int bpp = layout.bitsPerPixel;
            const std::uint64_t bit = static_cast<std::uint64_t>(x) * bpp;
            const int shift = 8 - bpp - static_cast<int>(bit % 8);  // leftmost pixel in the high bits
            const std::uint32_t index = (row[bit / 8] >> shift) & ((1u << bpp) - 1);
            return index < layout.palette.size() ? layout.palette[index] : 0xFF000000u;
        }
        case 24: {
            const std::uint8_t* p = row + static_cast<std::size_t>(x) * 3;
            return 0xFF000000u | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) |
                   p[0];
        }
        default: {
            const std::uint32_t v = layout.bitsPerPixel == 16 ? u16At(row + static_cast<std::size_t>(x) * 2)
                                                              : u32At(row + static_cast<std::size_t>(x) * 4);
            const std::uint32_t a = layout.hasAlpha ? widen(layout.alpha, v) : 0xFFu;
            return (a << 24) | (widen(layout.red, v) << 16) | (widen(layout.green, v) << 8) | widen(layout.blue, v);
        }
    }
}

// The bytes of a run-length stream from a given offset to the end of the file, a piece at a time.
template <class Bytes>
class StreamReader {
public:
    StreamReader(const Bytes& bytes, std::uint64_t offset) : bytes_(bytes), offset_(offset) {}

    // The next byte; false at the end of the file or when it cannot be read.
    bool next(std::uint8_t& out) {
        if (pos_ == filled_) {
            if (offset_ >= bytes_.size) return false;
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer_, bytes_.size - offset_));
            if (!bytes_.read(offset_, count, buffer_)) return false;
            offset_ += count;
            pos_ = 0;
            filled_ = count;
        }
        out = buffer_[pos_++];
        return true;
    }

private:
    const Bytes& bytes_;
    std::uint64_t offset_;
    std::uint8_t buffer_[4096];
    std::size_t pos_ = 0;
    std::size_t filled_ = 0;
};

// Decodes an RLE8 or RLE4 stream into picture (columns x rows, top row first), which holds the
// image's own pixels beforehand: pixels the stream skips with a line end, a move or its early end
// keep them. Every run must stay inside its row and every move inside the picture, and the stream
// must end with its end-of-picture mark; anything else fails.
template <class Bytes>
bool decodeRuns(const Bytes& bytes, const Layout& layout, std::vector<std::uint32_t>& picture, std::uint32_t columns,
                std::uint32_t rows) {
    StreamReader<Bytes> in(bytes, layout.dataOffset);
    const bool fourBits = layout.bitsPerPixel == 4;
    std::uint64_t x = 0;
    std::uint64_t fromBottom = 0;  // stored row: 0 is the bottom row of the picture
    const auto put = [&](std::uint32_t index) {
        if (x >= layout.width || fromBottom >= layout.height) return false;
        const std::uint64_t y = layout.height - 1 - fromBottom;
        if (x < columns && y < rows)
            picture[y * columns + x] = index < layout.palette.size() ? layout.palette[index] : 0xFF000000u;
        ++x;
        return true;
    };
    // Pixel i of a run: in RLE4 each byte holds two, the left one in the high bits.
    const auto indexOf = [&](std::uint8_t value, int i) -> std::uint32_t {
        return fourBits ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value;
    };
    for (;;) {
        std::uint8_t count = 0;
        std::uint8_t value = 0;
        if (!in.next(count) || !in.next(value)) return false;
        if (count > 0) {  // count pixels of one value (RLE4: of two alternating values)
            for (int i = 0; i < count; ++i)
                if (!put(indexOf(value, i))) return false;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                if (++fromBottom > layout.height) return false;
                break;
            case 1:  // end of picture
                return true;
            case 2: {  // move right and up
                std::uint8_t dx = 0;
                std::uint8_t dy = 0;
                if (!in.next(dx) || !in.next(dy)) return false;
                x += dx;
                fromBottom += dy;
                if (x > layout.width || fromBottom > layout.height) return false;
                break;
            }
            default: {  // value pixels stored one by one, padded to a whole number of 16-bit words
                const int stored = fourBits ? (value + 1) / 2 : value;
                std::uint8_t byte = 0;
                for (int i = 0; i < value; ++i) {
                    if ((!fourBits || i % 2 == 0) && !in.next(byte)) return false;
                    if (!put(indexOf(byte, i))) return false;
                }
                if (stored % 2 != 0 && !in.next(byte)) return false;
                break;
            }
        }
    }
}

bool imageIsUsable(const Image* image) {
    if (image == nullptr || image->width < 1 || image->height < 1) return false;
    if (image->pitch % 4 != 0 || image->pitch / 4 < image->width) return false;
    const std::size_t rowPixels = static_cast<std::size_t>(image->pitch / 4);
    return image->pixels.size() >= (static_cast<std::size_t>(image->height) - 1) * rowPixels + image->width;
}

template <class Bytes>
bool decode(const Bytes& bytes, Image* image) {
    if (!imageIsUsable(image)) return false;
    Layout layout;
    if (!readLayout(bytes, layout)) return false;

    const std::uint32_t columns = std::min(layout.width, static_cast<std::uint32_t>(image->width));
    const std::uint32_t rows = std::min(layout.height, static_cast<std::uint32_t>(image->height));
    const std::size_t rowPixels = static_cast<std::size_t>(image->pitch / 4);
    // Nothing reaches the image until every row used has been read.
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(columns) * rows);
    if (layout.runLength) {
        for (std::uint32_t y = 0; y < rows; ++y)
            std::copy_n(image->pixels.begin() + static_cast<std::ptrdiff_t>(y * rowPixels), columns,
                        picture.begin() + static_cast<std::ptrdiff_t>(y) * columns);
        if (!decodeRuns(bytes, layout, picture, columns, rows)) return false;
    } else {
        const std::size_t rowBytes = (static_cast<std::size_t>(columns) * layout.bitsPerPixel + 7) / 8;
        std::vector<std::uint8_t> row(rowBytes);
        for (std::uint32_t y = 0; y < rows; ++y) {
            const std::uint32_t stored = layout.topDown ? y : layout.height - 1 - y;
            if (!bytes.read(layout.dataOffset + stored * layout.stride, rowBytes, row.data())) return false;
            for (std::uint32_t x = 0; x < columns; ++x)
                picture[static_cast<std::size_t>(y) * columns + x] = pixelAt(layout, row.data(), x);
        }
    }
    for (std::uint32_t y = 0; y < rows; ++y)
        std::copy_n(picture.begin() + static_cast<std::ptrdiff_t>(y) * columns, columns,
                    image->pixels.begin() + static_cast<std::ptrdiff_t>(y * rowPixels));
    return true;
}

}  // namespace

bool decodeBitmap(const std::uint8_t* bytes, std::size_t size, Image* image) {
    if (bytes == nullptr && size > 0) return false;
    return decode(MemoryBytes{bytes, size}, image);
}

bool loadBitmap(const std::string& path, Image* image) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (!file || size < 0) return false;
    return decode(FileBytes{&file, static_cast<std::uint64_t>(size)}, image);
}
