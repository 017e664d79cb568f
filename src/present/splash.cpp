// The splash screen: the picture emerges from black, holds, then the menu background fades in.
#include <cmath>

#include "audio/sound.h"
#include "present/assets.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "shell/frame.h"
#include "shell/help.h"

void runSplash(Game& game) {
    setupPanel(game.mainPanel, 640, 360, 320, 180);
    setupPanel(game.sidePanel, 960, 360, 160, 180);
    double t = 0;
    double veil = 255;
    double back = 0;
    playSound(SplashSound);
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, HelpTopic::Splash);
        t += FrameClock.frameDelta / 180.0;
        if (veil > 0 && t > 0.3) veil -= FrameClock.frameDelta / 2.0;
        if (veil < 0) veil = 0;
        if (t > 7.0) {
            if (back >= 254) return;
            back += 2.0 * FrameClock.frameDelta;
            if (back > 255) back = 255;
        }
        Image* canvas = game.mainPanel.canvas.get();
        drawSprite(canvas, 320, 180, game.splashImage.get(), 2.0f, 2.0f, false);
        putImage(canvas, 0, 0, game.veilImage.get(), PutMode::Blend, static_cast<int>(std::nearbyint(veil)));
        putImage(canvas, 0, 0, game.backImage.get(), PutMode::Blend, static_cast<int>(std::nearbyint(back)));
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        sleepMs(1);
        if (!pendingKey.empty()) return;
    }
}
