// The three outputs of the teacher's report: text for a terminal, CSV for a spreadsheet, a page.
#pragma once
#include <string>
#include <vector>

#include "summary.h"

// Each takes the summaries of the classrooms to show, in order, and returns the whole output as
// UTF-8. fillLessonCatalogue must have run: operations and lessons appear by their catalogue names.
// No password is known to the summaries, so none can appear.

// Per classroom a heading, then per player a table of their boards in aligned columns.
std::string formatText(const std::vector<ClassroomSummary>& rooms);
// A byte-order mark, the header row, then one row per player and board; RFC 4180 quoting, CR LF.
std::string formatCsv(const std::vector<ClassroomSummary>& rooms);
// One self-contained HTML page (inline style and SVG, no script): per classroom an overview of
// players by operations, then each player's boards with a plot of their race times.
std::string formatHtml(const std::vector<ClassroomSummary>& rooms);

// One CSV cell from UTF-8 text: quoted when it holds a comma, a quote, CR or LF, and prefixed with
// an apostrophe when it begins with =, +, - or @, so that a spreadsheet never runs it as a formula.
std::string csvCell(const std::string& text);
// UTF-8 text made safe for HTML element content and quoted attribute values.
std::string htmlEscape(const std::string& text);

// The header row of the CSV, without its line end.
extern const char* const CsvHeader;
