// The track and season menu: the season (track) and the race distance, shared by both players.
#include <string>

#include "accounts/accounts.h"
#include "audio/sound.h"
#include "present/image.h"
#include "present/platform.h"
#include "present/sprite.h"
#include "setup/menu_keys.h"
#include "setup/setup.h"
#include "shell/frame.h"
#include "shell/help.h"
#include "shell/notice.h"
#include "store/store.h"

namespace {

constexpr int HighestTrack = 3;
constexpr int HighestDistance = 5;
// Once a longer race has been chosen the shortest one cannot be chosen again; only a new start
// (distance 0 with the game context) shows it.
constexpr int LowestDistanceByLeft = 1;

const char* const TrackNames[] = {"Summer", "Winter", "Desert", "Volcano"};

// The arrows of both rows share their x: left of and right of the cursor frames.
constexpr int PrevArrowX = 102;
constexpr int NextArrowX = 202;

void drawTrackFrame(const Game& game, int row) {
    Image* canvas = game.mainPanel.canvas.get();
    putImage(canvas, 0, 0, game.back2Image.get(), PutMode::Copy);
    putImage(canvas, 120, 60, game.sceneImages[game.track].get(), PutMode::Copy);  // season picture
    drawText(canvas, 132, 45, TrackNames[game.track], MenuBlack);                       // season name
    if (row == 0)
        drawBox(canvas, 120, 35, 200, 105, MenuBlack);
    else
        drawBox(canvas, 120, 120, 200, 145, MenuBlack);
    if (game.track < HighestTrack) putImage(canvas, NextArrowX, 40, game.nextImage.get(), PutMode::Transparent);
    if (game.track > 0) putImage(canvas, PrevArrowX, 40, game.prevImage.get(), PutMode::Transparent);
    const std::string metres = std::to_string(1500 * game.distance + 1500) + " m";
    drawText(canvas, 136, 130, metres, MenuBlack);  // distance
    if (game.distance < HighestDistance)
        putImage(canvas, NextArrowX, 125, game.nextImage.get(), PutMode::Transparent);
    if (game.distance > LowestDistanceByLeft)
        putImage(canvas, PrevArrowX, 125, game.prevImage.get(), PutMode::Transparent);
}

// Raises or lowers value inside [low, high] on Right and Left; says whether it changed.
bool stepValue(int& value, int low, int high) {
    if (pendingKey == RightKey && value < high) {
        ++value;
        return true;
    }
    if (pendingKey == LeftKey && value > low) {
        --value;
        return true;
    }
    return false;
}

void handleTrackKeys(Game& game, int& row) {
    bool moved = false;
    if (row == 0)
        moved = stepValue(game.track, 0, HighestTrack);
    else
        moved = stepValue(game.distance, LowestDistanceByLeft, HighestDistance);
    if (pendingKey == DownKey && row == 0) {
        row = 1;
        moved = true;
    } else if (pendingKey == UpKey && row == 1) {
        row = 0;
        moved = true;
    }
    if (moved) playSound(MoveSound);
}

}  // namespace

void trackMenu(Game& game) {
    // A damaged context must not index past the four seasons or show a distance never offered.
    if (game.track < 0 || game.track > HighestTrack) game.track = 0;
    if (game.distance < 0 || game.distance > HighestDistance) game.distance = 0;
    int row = 0;
    for (;;) {
        tickFrame();
        pendingKey = readFrameKey(game, HelpTopic::Track);
        drawTrackFrame(game, row);
        handleTrackKeys(game, row);
        drawNotice(game, game.mainPanel.canvas.get());
        lockScreen();
        presentPanel(game.mainPanel);
        unlockScreen();
        if (pendingKey == EscKey) {
            game.screen = Players;
            playSound(MoveSound);
            break;
        }
        if (pendingKey == EnterKey) {
            game.screen = Lesson;
            playSound(ConfirmSound);
            break;
        }
        sleepMs(1);
    }
    game.raceLength = 500 * game.distance + 500;
    saveClassPlayers(game);
}
