// Writes a handful of small valid BMP files, one per kind the decoder reads, as the fuzzer's start.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bmp_writer.h"

int main(int argc, char** argv) {
    // The second directory is where the fuzzer keeps what it finds; it only has to exist.
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SEED_DIRECTORY FOUND_DIRECTORY\n", argv[0]);
        return 2;
    }
    std::error_code ignored;
    std::filesystem::create_directories(argv[1], ignored);
    std::filesystem::create_directories(argv[2], ignored);
    using bmptest::BmpSpec;
    int written = 0;
    const auto save = [&](const BmpSpec& spec) {
        const auto bytes = bmptest::writeBmp(spec, [](int x, int y) { return static_cast<std::uint32_t>(x * 37 + y * 101); });
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(written++) + ".bmp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    };
    for (int bpp : {1, 4, 8}) {
        BmpSpec spec;
        spec.width = 5;
        spec.height = bpp == 4 ? -3 : 3;
        spec.bitsPerPixel = bpp;
        for (int i = 0; i < (1 << bpp); ++i) spec.palette.push_back(static_cast<std::uint32_t>(i * 0x010101));
        save(spec);
        spec.headerSize = 12;
        spec.palette.resize(2);
        save(spec);
    }
    for (int bpp : {16, 24, 32}) {
        BmpSpec spec;
        spec.width = 3;
        spec.height = bpp == 24 ? -2 : 2;
        spec.bitsPerPixel = bpp;
        save(spec);
    }
    BmpSpec masked;
    masked.width = 3;
    masked.height = 2;
    masked.bitsPerPixel = 16;
    masked.compression = 3;
    masked.masks[0] = 0xF800, masked.masks[1] = 0x07E0, masked.masks[2] = 0x001F;
    save(masked);
    masked.bitsPerPixel = 32;
    masked.headerSize = 124;
    masked.masks[0] = 0xFF0000, masked.masks[1] = 0xFF00, masked.masks[2] = 0xFF, masked.masks[3] = 0xFF000000;
    save(masked);
    masked.headerSize = 40;
    masked.compression = 6;
    save(masked);
    const auto saveBytes = [&](const std::vector<std::uint8_t>& bytes) {
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(written++) + ".bmp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    };
    for (int bpp : {8, 4}) {  // run-length compressed
        BmpSpec spec;
        spec.width = bpp == 8 ? 4 : 5;
        spec.height = bpp == 8 ? 3 : 2;
        spec.bitsPerPixel = bpp;
        for (int i = 0; i < 4; ++i) spec.palette.push_back(static_cast<std::uint32_t>(i * 0x3F3F3F));
        saveBytes(bmptest::writeRleBmp(spec, bpp == 8 ? bmptest::Rle8Stream : bmptest::Rle4Stream));
    }
    return 0;
}
