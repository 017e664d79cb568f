// The leaders list of the lesson menu: the ranking by best time and its drawing.
#include "setup/leaders.h"

#include <algorithm>
#include <string>

#include "race/format.h"
#include "setup/menu_keys.h"
#include "store/stats.h"

namespace {

// A player without a stored race ranks as if this were their time, behind every real one.
constexpr double NoTime = 99999;
// Player 2's time column starts at x 275: five characters reach the canvas edge.
constexpr std::size_t LeaderTimeChars = 5;

}  // namespace

std::vector<int> leadersOrder(const PlayerList& players, int operation, int lesson, int distance, int maxLines) {
    const int count = static_cast<int>(players.items.size());
    const int lines = std::min(std::max(maxLines, 0), count);
    std::vector<double> times(count);
    for (int p = 0; p < count; ++p) {
        const double t = bestTime(players.items[p].name, operation, lesson, distance);
        times[p] = t == 0 ? NoTime : t;
    }
    std::vector<bool> listed(count, false);
    std::vector<int> order;
    for (int n = 0; n < lines; ++n) {
        double best = 0;
        int choice = -1;
        for (int p = 0; p < count; ++p) {
            if ((best == 0 || best > times[p]) && !listed[p]) {
                best = times[p];
                choice = p;
            }
        }
        if (choice < 0) break;  // cannot happen while lines <= count; guards a damaged time
        listed[choice] = true;
        order.push_back(choice);
    }
    return order;
}

std::string leaderTime(double seconds) {
    // "0.00" would read as the fastest time of all.
    if (seconds == 0) return "-";
    // Each mask is chosen by the text it gives, so a time that rounds up to the next power of ten
    // (99.996 to "100.00") takes the shorter mask.
    for (const char* mask : {"##.00", "###.0", "#####"}) {
        const std::string text = formatNumber(seconds, mask);
        if (text.size() <= LeaderTimeChars) return text;
    }
    return std::string(LeaderTimeChars, '#');
}

void drawLeaders(Image* canvas, const PlayerList& players, int operation, int lesson, int distance,
                 int maxLines, int nameX, int timeX) {
    drawText(canvas, nameX, 108, "Leaders", MenuBlack);
    const std::vector<int> order = leadersOrder(players, operation, lesson, distance, maxLines);
    for (int n = 0; n < static_cast<int>(order.size()); ++n) {
        const std::string& name = players.items[order[n]].name;
        const int y = 120 + 10 * n;
        drawText(canvas, nameX, y, std::to_string(n + 1) + ": " + name, MenuBlack);
        // The real best time, not the ranking value of a player without a race.
        drawText(canvas, timeX, y, leaderTime(bestTime(name, operation, lesson, distance)), MenuBlack);
    }
}
