// The CSV output of the teacher's report: one row per player and board, for spreadsheets.
#include <string>

#include "store/cp437.h"
#include "formats.h"
#include "lessons/catalogue.h"

const char* const CsvHeader =
    "classroom,player,operation,lesson,distance_m,races,best_time_s,top_speed_mph,average_speed_mph,"
    "answers,correct,wrong,accuracy_pct";

std::string csvCell(const std::string& text) {
    std::string cell;
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) {
        cell = "'";
    }
    cell += text;
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string formatCsv(const std::vector<ClassroomSummary>& rooms) {
    // The byte-order mark tells spreadsheet programs that the letters are UTF-8.
    std::string out = "\xEF\xBB\xBF";
    out += CsvHeader;
    out += "\r\n";
    for (const ClassroomSummary& room : rooms) {
        const std::string roomCell = csvCell(cp437ToUtf8(room.name));
        for (const PlayerSummary& player : room.players) {
            const std::string playerCell = csvCell(cp437ToUtf8(player.name));
            for (const BoardSummary& b : player.boards) {
                double accuracy = 0;
                const bool hasAccuracy = accuracyPercent(b.correct, b.answers, accuracy);
                const std::string cells[] = {
                    roomCell,
                    playerCell,
                    csvCell(cp437ToUtf8(operationName(b.operation))),
                    csvCell(cp437ToUtf8(lessonName(b.operation, b.lesson))),
                    std::to_string(distanceMetres(b.distance)),
                    std::to_string(b.races),
                    b.bestTime > 0 ? csvCell(fixedText(b.bestTime, 2)) : "",
                    csvCell(fixedText(b.topSpeed, 2)),
                    csvCell(fixedText(b.averageSpeed, 2)),
                    std::to_string(b.answers),
                    std::to_string(b.correct),
                    std::to_string(b.wrong),
                    hasAccuracy ? fixedText(accuracy, 1) : "",
                };
                bool first = true;
                for (const std::string& cell : cells) {
                    if (!first) out += ',';
                    out += cell;
                    first = false;
                }
                out += "\r\n";
            }
        }
    }
    return out;
}
