// The text output of the teacher's report: a readable summary per classroom and player.
#include <algorithm>
#include <string>
#include <vector>

#include "store/cp437.h"
#include "formats.h"
#include "lessons/catalogue.h"

namespace {

// One table row of cells; the first three columns are text (left-aligned), the rest numbers.
using Row = std::vector<std::string>;
constexpr std::size_t TextColumns = 3;

void appendPadded(std::string& out, const std::string& cell, std::size_t width, bool left) {
    const std::size_t pad = width - std::min(width, displayWidth(cell));
    if (!left) out.append(pad, ' ');
    out += cell;
    if (left) out.append(pad, ' ');
}

// The widths that fit every row, so that all players of a classroom line up in the same columns.
std::vector<std::size_t> columnWidths(const std::vector<std::vector<Row>>& tables) {
    std::vector<std::size_t> widths;
    for (const std::vector<Row>& rows : tables) {
        for (const Row& row : rows) {
            widths.resize(std::max(widths.size(), row.size()), 0);
            for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], displayWidth(row[i]));
        }
    }
    return widths;
}

void appendTable(std::string& out, const std::vector<Row>& rows, const std::vector<std::size_t>& widths) {
    for (const Row& row : rows) {
        std::string line = "    ";
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0) line += "  ";
            appendPadded(line, row[i], widths[i], i < TextColumns);
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line;
        out += '\n';
    }
}

std::string plural(long long n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string formatText(const std::vector<ClassroomSummary>& rooms) {
    std::string out;
    for (const ClassroomSummary& room : rooms) {
        if (!out.empty()) out += '\n';
        out += "Classroom " + std::to_string(room.position + 1) + ": " + cp437ToUtf8(room.name) + "\n";
        out += "  " + plural(static_cast<long long>(room.players.size()), "player") + ", " +
               plural(room.races, "race") + "\n";
        std::vector<std::vector<Row>> tables;
        for (const PlayerSummary& player : room.players) {
            std::vector<Row>& rows = tables.emplace_back();
            if (player.boards.empty()) continue;
            rows.push_back({"Operation", "Lesson", "Distance", "Races", "Best time", "Top speed",
                            "Avg speed", "Answers", "Correct", "Wrong", "Accuracy"});
            for (const BoardSummary& b : player.boards) {
                double accuracy = 0;
                const bool hasAccuracy = accuracyPercent(b.correct, b.answers, accuracy);
                rows.push_back({cp437ToUtf8(operationName(b.operation)),
                                cp437ToUtf8(lessonName(b.operation, b.lesson)),
                                std::to_string(distanceMetres(b.distance)) + " m",
                                std::to_string(b.races),
                                b.bestTime > 0 ? fixedText(b.bestTime, 2) + " s" : "-",
                                fixedText(b.topSpeed, 2) + " mph",
                                fixedText(b.averageSpeed, 2) + " mph",
                                std::to_string(b.answers),
                                std::to_string(b.correct),
                                std::to_string(b.wrong),
                                hasAccuracy ? fixedText(accuracy, 1) + "%" : "-"});
            }
        }
        const std::vector<std::size_t> widths = columnWidths(tables);
        for (std::size_t p = 0; p < room.players.size(); ++p) {
            out += "\n  " + cp437ToUtf8(room.players[p].name) + "\n";
            if (tables[p].empty()) {
                out += "    no races yet\n";
            } else {
                appendTable(out, tables[p], widths);
            }
        }
    }
    return out;
}
