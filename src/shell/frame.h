// The frame clock every screen ticks once per frame, and the key read in the current frame.
#pragma once
#include <string>

struct FrameClockData {
    double lastTime = 0;    // nowSeconds at the previous tick
    double frameDelta = 0;  // time since the previous tick, in 1/180 s
};

extern FrameClockData FrameClock;

// The key read at the top of this frame; whoever acts on it empties it.
extern std::string pendingKey;

// Called exactly once at the top of every frame of every screen.
void tickFrame();
