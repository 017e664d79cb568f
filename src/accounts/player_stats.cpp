// The statistics panel of the player menu, and the driver picture chosen with Left and Right.
#include "accounts/player_stats.h"

#include "accounts/menu_list.h"
#include "audio/sound.h"
#include "present/key_strings.h"
#include "present/sprite.h"
#include "race/format.h"
#include "shell/frame.h"
#include "store/stats.h"

namespace {

constexpr int LastDriver = 12;

// The picture at index, or none for an index a damaged player file may hold.
template <class Pictures>
const Image* pictureAt(const Pictures& pictures, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < pictures.size() ? pictures[static_cast<std::size_t>(index)].get()
                                                                            : nullptr;
}

std::string mph(double speed) { return formatNumber(speed, "####") + "mph"; }

}  // namespace

void drawPlayerStats(Game& game, int position) {
    Player& player = game.players.items[static_cast<std::size_t>(position)];
    Image* canvas = game.mainPanel.canvas.get();
    drawSprite(canvas, 165, 50, pictureAt(game.driverImages, player.driver), 2.0f, 2.0f, false);
    drawSprite(canvas, 250, 50, pictureAt(game.carImages, player.car), 2.0f, 2.0f, true);
    drawText(canvas, 193, 8, player.name, MenuInk);
    drawText(canvas, 219, 75, "Raced " + std::to_string(countRaces(player.name, -1, -1, -1)) + "x", MenuInk);
    drawText(canvas, 175, 90, "Fastest", MenuInk);
    drawText(canvas, 250, 90, "Average", MenuInk);
    static const char* const signs[] = {"+", "-", "x", "\xF6"};
    for (int operation = 0; operation < 4; ++operation) {
        const int y = 100 + 10 * operation;
        drawText(canvas, 143, y, signs[operation], MenuInk);
        drawText(canvas, 175, y, mph(fastestSpeed(player.name, operation, -1, -1)), MenuInk);
        drawText(canvas, 250, y, mph(averageSpeedOf(player.name, operation, -1, -1)), MenuInk);
    }
    drawText(canvas, 143, 150, "Classroom", MenuInk);
    if (game.classroom >= 0 && game.classroom < game.classrooms.count)
        drawText(canvas, 143, 160, game.classrooms.items[static_cast<std::size_t>(game.classroom)].name, MenuInk);

    if (pendingKey == LeftKey && player.driver > 0) {
        --player.driver;
        pendingKey.clear();
        playSound(MoveSound);
    } else if (pendingKey == RightKey && player.driver < LastDriver) {
        ++player.driver;
        pendingKey.clear();
        playSound(MoveSound);
    }
}
