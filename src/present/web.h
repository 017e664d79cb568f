// Control of the browser back end beyond the platform services, for the page's entry point.
#pragma once
#include <string>

// Queues one key string, as a key press would (the page's test hook types answers with it).
void webQueueKey(const std::string& keyString);
// Frames the game has finished (unlockScreen calls), frames that reached the canvas because they
// changed, and the seconds spent working between the pauses that hand the browser its turn.
struct WebFrameStats {
    double frames = 0;
    double presented = 0;
    double workSeconds = 0;
};
WebFrameStats webFrameStats();
