// Our own small BMP writer: BITMAPFILEHEADER + BITMAPINFOHEADER + 24-bit pixels.
#include "bmp_write.h"

#include <cstdint>
#include <cstdio>

namespace {

void put16(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

std::vector<unsigned char> encodeBmp(const Image& image) {
    const std::uint32_t width = static_cast<std::uint32_t>(image.width);
    const std::uint32_t height = static_cast<std::uint32_t>(image.height);
    const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t dataBytes = rowBytes * height;
    const std::uint32_t offset = 14 + 40;

    std::vector<unsigned char> out;
    out.reserve(offset + dataBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + dataBytes);
    put32(out, 0);  // reserved
    put32(out, offset);
    put32(out, 40);  // info header size
    put32(out, width);
    put32(out, height);  // positive: rows are stored bottom-up
    put16(out, 1);       // planes
    put16(out, 24);      // bits per pixel
    put32(out, 0);       // no compression
    put32(out, dataBytes);
    put32(out, 2835);  // 72 dpi, a conventional value that readers ignore
    put32(out, 2835);
    put32(out, 0);  // no colour table
    put32(out, 0);

    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint32_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x) {
            out.push_back(static_cast<unsigned char>(row[x] & 0xFF));          // blue
            out.push_back(static_cast<unsigned char>((row[x] >> 8) & 0xFF));   // green
            out.push_back(static_cast<unsigned char>((row[x] >> 16) & 0xFF));  // red
        }
        for (std::uint32_t pad = width * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

bool writeBmp(const std::string& path, const Image& image) {
    const std::vector<unsigned char> bytes = encodeBmp(image);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}
