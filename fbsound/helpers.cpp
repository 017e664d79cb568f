// The sound library's number helpers: angles, decibels and powers.
#include <cmath>

#include "fbsound.h"

namespace {
constexpr float Pi = 3.14159265358979f;
}

extern "C" {

FBS_API float FBS_RAD2DEG(float radians) { return radians * (180.0f / Pi); }

FBS_API float FBS_DEG2RAD(float degrees) { return degrees * (Pi / 180.0f); }

FBS_API float FBS_VOLUME_2_DB(float volume) {
    if (!(volume > 0.00001f)) return -100.0f;  // silence, and NaN, as the floor
    return 20.0f * std::log10(volume);
}

FBS_API float FBS_DB_2_VOLUME(float db) { return std::pow(10.0f, db / 20.0f); }

FBS_API float FBS_POW(float base, float exponent) { return std::pow(base, exponent); }

}  // extern "C"
