// The page output of the teacher's report: overview and per-player plots, one self-contained file.
#include <algorithm>
#include <string>
#include <vector>

#include "store/cp437.h"
#include "formats.h"
#include "lessons/catalogue.h"
#include "store/records.h"

namespace {

// Everything the page needs to look right on screen and on A4 paper; nothing is fetched.
const char* const PageStyle = R"(
@page { size: A4; margin: 12mm; }
* { box-sizing: border-box; }
body { font: 13px/1.35 "DejaVu Sans", Arial, sans-serif; color: #1b1b1b; margin: 16px auto;
       max-width: 760px; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
h1 { font-size: 20px; margin: 0 0 4px; }
h2 { font-size: 17px; margin: 18px 0 4px; border-bottom: 2px solid #1f6fd6; padding-bottom: 2px; }
h3 { font-size: 14px; margin: 14px 0 6px; }
p.note { color: #555; margin: 2px 0 8px; }
section.room + section.room { break-before: page; }
table.overview { border-collapse: collapse; width: 100%; margin: 6px 0 4px; }
table.overview th, table.overview td { border: 1px solid #bbb; padding: 3px 5px; text-align: left;
       vertical-align: top; }
table.overview thead th { background: #e9eef6; }
table.overview tbody th { font-weight: 600; }
table.overview td span { display: block; white-space: nowrap; }
.legend span { display: inline-block; padding: 1px 6px; margin-right: 4px; border: 1px solid #bbb; }
.a { background: #c6ebc6; } .b { background: #e4f3bd; } .c { background: #fce6b0; }
.d { background: #f6c6c0; } .none { background: #f2f2f2; color: #777; }
section.player { break-inside: avoid-page; }
div.cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(240px, 1fr)); gap: 8px; }
div.card { border: 1px solid #bbb; border-left-width: 6px; padding: 5px 6px; break-inside: avoid; }
div.card.a { border-left-color: #3a9a3a; } div.card.b { border-left-color: #8cb43a; }
div.card.c { border-left-color: #d99a1c; } div.card.d { border-left-color: #c8483a; }
div.card.none { border-left-color: #999; }
div.card { background: #fff; color: #1b1b1b; }
div.card h4 { font-size: 13px; margin: 0 0 3px; }
div.card table { border-collapse: collapse; font-size: 12px; margin-bottom: 3px; width: 100%; }
div.card td { padding: 0 8px 0 0; white-space: nowrap; }
div.card td + td { text-align: right; }
svg.plot { display: block; }
svg.plot text { font: 9px "DejaVu Sans", Arial, sans-serif; fill: #444; }
p.empty { color: #777; margin: 2px 0; }
)";

// The plot's line colour; the page's render test looks for it.
const char* const PlotColour = "#1f6fd6";

// The overview and card colour band of an accuracy.
const char* accuracyClass(long long correct, long long answers) {
    double percent = 0;
    if (!accuracyPercent(correct, answers, percent)) return "none";
    if (percent >= 90) return "a";
    if (percent >= 75) return "b";
    if (percent >= 50) return "c";
    return "d";
}

std::string text(const std::string& cp437) { return htmlEscape(cp437ToUtf8(cp437)); }

std::string accuracyText(long long correct, long long answers) {
    double percent = 0;
    return accuracyPercent(correct, answers, percent) ? fixedText(percent, 1) + "%" : "no answers";
}

// A player's boards of one operation, summed for the overview.
struct OperationTotals {
    int races = 0;
    double topSpeed = 0;
    long long answers = 0;
    long long correct = 0;
};

void appendOverview(std::string& out, const ClassroomSummary& room) {
    out += "<table class=\"overview\"><thead><tr><th>Player</th>";
    for (int op = 0; op < BoardOperations; ++op) out += "<th>" + text(operationName(op)) + "</th>";
    out += "</tr></thead><tbody>\n";
    for (const PlayerSummary& player : room.players) {
        OperationTotals totals[BoardOperations];
        for (const BoardSummary& b : player.boards) {
            OperationTotals& t = totals[b.operation];
            t.races += b.races;
            t.topSpeed = std::max(t.topSpeed, b.topSpeed);
            t.answers += b.answers;
            t.correct += b.correct;
        }
        out += "<tr><th>" + text(player.name) + "</th>";
        for (const OperationTotals& t : totals) {
            if (t.races == 0) {
                out += "<td class=\"none\">&ndash;</td>";
                continue;
            }
            out += std::string("<td class=\"") + accuracyClass(t.correct, t.answers) + "\">";
            out += "<span>" + std::to_string(t.races) + (t.races == 1 ? " race" : " races") + "</span>";
            out += "<span>best " + fixedText(t.topSpeed, 1) + " mph</span>";
            out += "<span>" + accuracyText(t.correct, t.answers) + " right</span></td>";
        }
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
    out += "<p class=\"note legend\">Accuracy: <span class=\"a\">90% and over</span><span class=\"b\">"
           "75&ndash;90%</span><span class=\"c\">50&ndash;75%</span><span class=\"d\">under 50%</span>"
           "<span class=\"none\">no races</span></p>\n";
}

// A small line plot of the race times in the order they were run. Faster races are drawn higher,
// so a pupil who improves makes a line that climbs. Races without a time (damaged) are left out.
void appendPlot(std::string& out, const std::vector<double>& times) {
    constexpr double Width = 240, Height = 112;
    constexpr double Left = 42, Right = 8, Top = 18, Bottom = 20;
    double fastest = 0, slowest = 0;
    int timed = 0;
    for (const double t : times) {
        if (!(t > 0)) continue;
        fastest = timed == 0 ? t : std::min(fastest, t);
        slowest = timed == 0 ? t : std::max(slowest, t);
        ++timed;
    }
    if (timed == 0) {
        out += "<p class=\"empty\">No timed race to plot.</p>";
        return;
    }
    const double plotW = Width - Left - Right, plotH = Height - Top - Bottom;
    const std::size_t n = times.size();
    auto xOf = [&](std::size_t i) {
        return n == 1 ? Left + plotW / 2 : Left + plotW * static_cast<double>(i) / static_cast<double>(n - 1);
    };
    auto yOf = [&](double t) {
        return slowest == fastest ? Top + plotH / 2 : Top + plotH * (t - fastest) / (slowest - fastest);
    };
    out += "<svg class=\"plot\" xmlns=\"http://www.w3.org/2000/svg\" width=\"240\" height=\"112\" "
           "viewBox=\"0 0 240 112\" role=\"img\" aria-label=\"race times, faster is better\">";
    // The time axis, faster upwards, with its fastest and slowest time; the race axis below.
    out += "<path d=\"M42 18V92H232\" fill=\"none\" stroke=\"#888\" stroke-width=\"1\"/>";
    out += "<text x=\"4\" y=\"10\">&#8593; faster is better (time of each race)</text>";
    out += "<text x=\"38\" y=\"" + fixedText(yOf(fastest) + 3, 0) + "\" text-anchor=\"end\">" +
           fixedText(fastest, 1) + " s</text>";
    if (slowest != fastest) {
        out += "<text x=\"38\" y=\"" + fixedText(yOf(slowest) + 3, 0) + "\" text-anchor=\"end\">" +
               fixedText(slowest, 1) + " s</text>";
    }
    out += "<text x=\"42\" y=\"106\">race 1</text>";
    if (n > 1) out += "<text x=\"232\" y=\"106\" text-anchor=\"end\">race " + std::to_string(n) + "</text>";
    // The line through the timed races, then a dot on each.
    std::string points;
    for (std::size_t i = 0; i < n; ++i) {
        if (!(times[i] > 0)) continue;
        if (!points.empty()) points += ' ';
        points += fixedText(xOf(i), 1) + "," + fixedText(yOf(times[i]), 1);
    }
    if (timed > 1) {
        out += std::string("<polyline fill=\"none\" stroke=\"") + PlotColour +
               "\" stroke-width=\"2\" stroke-linejoin=\"round\" points=\"" + points + "\"/>";
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!(times[i] > 0)) continue;
        out += "<circle cx=\"" + fixedText(xOf(i), 1) + "\" cy=\"" + fixedText(yOf(times[i]), 1) +
               "\" r=\"3\" fill=\"" + PlotColour + "\"/>";
    }
    out += "</svg>";
}

void appendCard(std::string& out, const BoardSummary& b) {
    out += std::string("<div class=\"card ") + accuracyClass(b.correct, b.answers) + "\"><h4>" +
           text(operationName(b.operation)) + " &middot; " + text(lessonName(b.operation, b.lesson)) +
           " &middot; " + std::to_string(distanceMetres(b.distance)) + " m</h4><table>";
    auto row = [&](const char* label, const std::string& value) {
        out += std::string("<tr><td>") + label + "</td><td>" + value + "</td></tr>";
    };
    row("Races", std::to_string(b.races));
    row("Best time", b.bestTime > 0 ? fixedText(b.bestTime, 2) + " s" : "&ndash;");
    row("Top speed", fixedText(b.topSpeed, 2) + " mph");
    row("Average speed", fixedText(b.averageSpeed, 2) + " mph");
    row("Answers", std::to_string(b.answers));
    row("Right / wrong", std::to_string(b.correct) + " / " + std::to_string(b.wrong));
    row("Accuracy", accuracyText(b.correct, b.answers));
    out += "</table>";
    appendPlot(out, b.times);
    out += "</div>\n";
}

}  // namespace

std::string htmlEscape(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string formatHtml(const std::vector<ClassroomSummary>& rooms) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        // Its own policy too, for where no header carries one (a saved file, or the teacher's
        // corner showing it as a page of the site's origin): its style inline, never a script.
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "img-src data:\">"
        "<title>Tally Rally &ndash; teacher&#39;s report</title><style>";
    out += PageStyle;
    out += "</style></head><body>\n<h1>Tally Rally &ndash; teacher&#39;s report</h1>\n";
    for (const ClassroomSummary& room : rooms) {
        out += "<section class=\"room\"><h2>Classroom " + std::to_string(room.position + 1) + ": " +
               text(room.name) + "</h2>\n";
        out += "<p class=\"note\">" + std::to_string(room.players.size()) +
               (room.players.size() == 1 ? " player, " : " players, ") + std::to_string(room.races) +
               (room.races == 1 ? " race" : " races") + ". Best speed is the highest top speed; accuracy "
               "is the share of right answers.</p>\n";
        appendOverview(out, room);
        for (const PlayerSummary& player : room.players) {
            out += "<section class=\"player\"><h3>" + text(player.name) + "</h3>\n";
            if (player.boards.empty()) {
                out += "<p class=\"empty\">No races yet.</p>";
            } else {
                out += "<div class=\"cards\">\n";
                for (const BoardSummary& b : player.boards) appendCard(out, b);
                out += "</div>";
            }
            out += "</section>\n";
        }
        out += "</section>\n";
    }
    out += "</body></html>\n";
    return out;
}
