// tallyrally-report: the teacher's report of a game folder's classrooms, read without changing them.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "store/cp437.h"
#include "formats.h"
#include "lessons/catalogue.h"
#include "store/records.h"
#include "store/store.h"
#include "summary.h"

namespace fs = std::filesystem;

namespace {

const char* const ReportVersion = "tallyrally-report 1.0";

// Exit statuses, one per kind of failure, so that scripts can tell them apart.
constexpr int ExitUsage = 2;
constexpr int ExitNoTree = 3;
constexpr int ExitNoClassroom = 4;
constexpr int ExitOutput = 5;

const char* const Usage =
    "Usage: tallyrally-report [--dir DIR] [--classroom N|NAME] [--format text|csv|html] [--output FILE]\n"
    "\n"
    "Reports what each pupil has practised: races, best time, speeds and accuracy per operation,\n"
    "lesson and distance, read from the classrooms folder of a Tally Rally game folder. Nothing in\n"
    "that folder is ever changed.\n"
    "\n"
    "  --dir DIR            the game folder, which holds \"classrooms\" (default: the current one)\n"
    "  --classroom N|NAME   only the classroom at position N (from 1) or with exactly that name\n"
    "  --format FORMAT      text (default), csv (for spreadsheets) or html (a printable page)\n"
    "  --output FILE        write to FILE instead of the standard output\n"
    "  --help               show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 done, 2 bad command line, 3 no classrooms folder, 4 no such classroom,\n"
    "5 the output could not be written.\n";

struct Options {
    std::string dir = ".";
    std::string classroom;
    bool oneClassroom = false;
    std::string format = "text";
    std::string output;
};

int fail(int status, const std::string& message) {
    std::cerr << "tallyrally-report: " << message << "\n";
    if (status == ExitUsage) std::cerr << "Try 'tallyrally-report --help'.\n";
    return status;
}

// The 0-based position chosen by text: a number from 1 to count, else an exact name (as typed, in
// UTF-8, or as the very bytes of the file). -1 when there is none.
int findClassroom(const ClassroomList& list, const std::string& choice) {
    const bool number = !choice.empty() && choice.size() < 10 &&
                        choice.find_first_not_of("0123456789") == std::string::npos;
    if (number) {
        const int n = std::stoi(choice);
        if (n >= 1 && n <= list.count) return n - 1;
    }
    for (int i = 0; i < list.count; ++i) {
        const std::string& name = list.items[static_cast<std::size_t>(i)].name;
        if (name == choice || cp437ToUtf8(name) == choice) return i;
    }
    return -1;
}

// Whether path lies at or below directory; both must be absolute and free of "." and "..".
bool isWithin(const fs::path& path, const fs::path& directory) {
    auto p = path.begin();
    for (auto d = directory.begin(); d != directory.end(); ++d, ++p) {
        if (d->empty()) continue;  // a trailing separator
        if (p == path.end() || *p != *d) return false;
    }
    return true;
}

bool writeAll(std::FILE* file, const std::string& content) {
    return std::fwrite(content.data(), 1, content.size(), file) == content.size();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << ReportVersion << "\n";
            return 0;
        }
        if (arg == "--dir" || arg == "--classroom" || arg == "--format" || arg == "--output") {
            if (i + 1 >= argc) return fail(ExitUsage, arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "--dir") options.dir = value;
            if (arg == "--classroom") options.classroom = value, options.oneClassroom = true;
            if (arg == "--format") options.format = value;
            if (arg == "--output") options.output = value;
        } else {
            return fail(ExitUsage, "unknown option '" + arg + "'");
        }
    }
    if (options.format != "text" && options.format != "csv" && options.format != "html") {
        return fail(ExitUsage, "unknown format '" + options.format + "' (text, csv or html)");
    }
    if (options.output.empty() == false && options.output.back() == '/') {
        return fail(ExitOutput, "cannot write " + options.output + ": it names a folder");
    }

    // The store reads paths relative to the working directory, as the game does: the output file is
    // made absolute first, then the report works from inside the game folder.
    std::error_code ec;
    fs::path output;
    if (!options.output.empty()) output = fs::absolute(options.output, ec).lexically_normal();
    if (chdir(options.dir.c_str()) != 0) {
        return fail(ExitNoTree,
                    "cannot open the game folder " + options.dir + ": " + std::strerror(errno));
    }
    if (!fs::is_directory("classrooms", ec)) {
        return fail(ExitNoTree,
                    "no classrooms folder in " + options.dir + " (is it a Tally Rally game folder?)");
    }
    // The report never writes into the saved data, not even its own output.
    if (!output.empty()) {
        const fs::path tree = fs::canonical("classrooms", ec);
        const fs::path target = fs::weakly_canonical(output, ec);
        if (!tree.empty() && isWithin(target, tree)) {
            return fail(ExitOutput, "will not write " + options.output + " inside the classrooms folder");
        }
    }

    fillLessonCatalogue();
    ClassroomList list;
    loadClassrooms(list);
    std::vector<int> positions;
    if (options.oneClassroom) {
        const int position = findClassroom(list, options.classroom);
        if (position < 0) {
            const std::string there =
                list.count == 1 ? "there is 1 classroom" : "there are " + std::to_string(list.count) + " classrooms";
            return fail(ExitNoClassroom,
                        "no classroom '" + options.classroom + "' in " + options.dir + " (" + there + ")");
        }
        positions.push_back(position);
    } else {
        for (int i = 0; i < list.count; ++i) positions.push_back(i);
    }

    std::vector<ClassroomSummary> rooms;
    for (const int position : positions) {
        rooms.push_back(summariseClassroom(position, list.items[static_cast<std::size_t>(position)].name));
    }
    const std::string content = options.format == "csv"    ? formatCsv(rooms)
                                : options.format == "html" ? formatHtml(rooms)
                                                           : formatText(rooms);

    if (output.empty()) {
        if (!writeAll(stdout, content) || std::fflush(stdout) != 0) {
            return fail(ExitOutput, std::string("cannot write the standard output: ") + std::strerror(errno));
        }
        return 0;
    }
    std::FILE* file = std::fopen(output.c_str(), "wb");
    if (file == nullptr) return fail(ExitOutput, "cannot write " + options.output + ": " + std::strerror(errno));
    const bool written = writeAll(file, content);
    if (std::fclose(file) != 0 || !written) {
        return fail(ExitOutput, "cannot write " + options.output + ": " + std::strerror(errno));
    }
    return 0;
}
