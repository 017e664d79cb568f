// The sound library's decoders: whole OGG Vorbis and WAVE files into the device's sample format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fbsound.h"

struct DeviceFormat {
    std::int32_t rate = 0;
    std::int32_t channels = 0;
};

// Each fills out with interleaved 16-bit samples in fmt and returns true, or returns false with a
// reason in error (a missing, corrupt, empty or overlong file). progress, when not null, is told
// 0..100 as decoding goes on. Called from outside the mixer, without the device lock.
bool decodeOggFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error);
bool decodeWavFile(const std::string& path, DeviceFormat fmt, FBS_LOADCALLBACK progress,
                   std::vector<std::int16_t>& out, std::string& error);
