// The teacher's corner of the browser page: the report, backup and restore behind its buttons.
#include "shell/teacher_corner.h"

#include <filesystem>
#include <string>
#include <vector>

#include "store/cp437.h"
#include "formats.h"
#include "lessons/catalogue.h"
#include "store/archive.h"
#include "store/records.h"
#include "store/store.h"
#include "summary.h"

namespace {

// Outside the saved data, so that neither file lands in a backup or in lasting storage.
const char* const BackupPath = "/tmp/tallyrally-classrooms.tar";
const char* const UploadPath = "/tmp/tallyrally-restore.tar";

std::string text;

int answer(bool done, std::string words) {
    text = std::move(words);
    return done ? 1 : 0;
}

std::string namesText(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += cp437ToUtf8(name) + "\n";
    return out;
}

}  // namespace

extern "C" {

const char* tally_corner_text() { return text.c_str(); }

int tally_corner_report() {
    fillLessonCatalogue();  // filled at start-up already; the same names again
    ClassroomList list;
    loadClassrooms(list);
    std::vector<ClassroomSummary> rooms;
    for (int i = 0; i < list.count; ++i) {
        rooms.push_back(summariseClassroom(i, list.items[static_cast<std::size_t>(i)].name));
    }
    return answer(true, formatHtml(rooms));
}

int tally_corner_backup() {
    const std::string trouble = writeClassArchive(BackupPath);
    return trouble.empty() ? answer(true, BackupPath) : answer(false, trouble);
}

int tally_corner_classrooms() {
    std::error_code ec;
    // Without the index the list would be the "Default" classroom, which exists in memory only.
    if (!std::filesystem::is_regular_file("classrooms/classrooms", ec)) return answer(false, "");
    ClassroomList list;
    loadClassrooms(list);
    std::vector<std::string> names;
    for (const Classroom& c : list.items) names.push_back(c.name);
    return answer(true, namesText(names));
}

int tally_corner_upload_path() { return answer(true, UploadPath); }

int tally_corner_stage() {
    std::vector<std::string> names;
    const std::string trouble = stageClassArchive(UploadPath, names);
    return trouble.empty() ? answer(true, namesText(names)) : answer(false, trouble);
}

int tally_corner_restore() {
    const std::string trouble = swapInStagedClassrooms();
    return answer(trouble.empty(), trouble);
}

int tally_corner_discard() {
    discardStagedClassrooms();
    return answer(true, "");
}
}
