// The frame clock and the key of the current frame.
#include "shell/frame.h"

#include "present/platform.h"

FrameClockData FrameClock;
std::string pendingKey;

void tickFrame() {
    const double now = nowSeconds();
    FrameClock.frameDelta = (now - FrameClock.lastTime) * 180.0;
    FrameClock.lastTime = now;
}
