// Tests of the class archive: round trips through our writer and GNU tar, and the files a restore refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fresh_folder.h"
#include "shell/teacher_corner.h"
#include "store/archive.h"
#include "store/records.h"
#include "store/store.h"

namespace fs = std::filesystem;

namespace {

// Every folder ("name/") and file (its bytes) below root, by path relative to root.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(e.path(), root).string();
        if (e.is_directory()) {
            out[name + "/"] = "";
        } else {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            out[name] = bytes.str();
        }
    }
    return out;
}

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

// Two classrooms with players and a board, as the game writes them, plus what a save under way
// leaves for a moment (a lock entry, a temporary) and a hidden file: those three never travel.
void makeClasses() {
    ClassroomList rooms;
    addClassroom(rooms, "Class 4A", "");
    addClassroom(rooms, "Juniors", "owl");
    PlayerList players;
    players.items = {Player{"Ann", "", 2, 5}, Player{"Bo", "x", 1, 0}};
    players.count = 2;
    savePlayers(players, 1);
    Leaderboard& board = LeaderboardTable.boards[2][11][3];
    RaceRecord race;
    race.name = "Ann";
    race.time = 41.5;
    race.samples = {Sample{1.5, 1}, Sample{3, -0.5}};
    race.sampleCount = 2;
    board.records = {race, race};
    board.count = 2;
    saveLeaderboard(1, 2, 11, 3);
    std::ofstream("classrooms/classrooms.lock") << "pc 1\n";
    std::ofstream("classrooms/room2/players.tmp12-3") << "half";
    std::ofstream("classrooms/.DS_Store") << "desktop";
}

std::map<std::string, std::string> withoutTransients(std::map<std::string, std::string> tree) {
    tree.erase("classrooms.lock");
    tree.erase("room2/players.tmp12-3");
    tree.erase(".DS_Store");
    return tree;
}

class Archive : public FreshFolder {};

TEST_F(Archive, RoundTripsThroughOurWriterAndGnuTar) {
    makeClasses();
    const auto classes = withoutTransients(snapshot("classrooms"));
    ASSERT_EQ(writeClassArchive("ours.tar"), "");
    ASSERT_EQ(fs::file_size("ours.tar") % 10240, 0u);
    // GNU tar lists ours, folders before what they hold, and unpacks it to the same tree.
    const std::string listing = run("tar -tf ours.tar");
    EXPECT_EQ(listing.rfind("classrooms/\nclassrooms/classrooms\nclassrooms/room1/\n", 0), 0u) << listing;
    fs::create_directory("unpacked");
    run("tar -xf ours.tar -C unpacked");
    EXPECT_EQ(snapshot("unpacked/classrooms"), classes);
    // The same tree always gives the same archive.
    ASSERT_EQ(writeClassArchive("again.tar"), "");
    EXPECT_EQ(run("cmp ours.tar again.tar"), "");

    // Ours and GNU tar's, in its own and in the pax form, restore over other classes.
    run("tar -cf gnu.tar classrooms && tar --format=posix -cf pax.tar classrooms && tar -cf dot.tar ./classrooms");
    for (const std::string archive : {"ours.tar", "gnu.tar", "pax.tar", "dot.tar"}) {
        SCOPED_TRACE(archive);
        fs::rename("classrooms", "kept");
        ClassroomList other;
        addClassroom(other, "Other", "");
        std::vector<std::string> names;
        ASSERT_EQ(stageClassArchive(archive, names), "");
        EXPECT_EQ(names, (std::vector<std::string>{"Class 4A", "Juniors"}));
        ASSERT_EQ(swapInStagedClassrooms(), "");
        EXPECT_EQ(snapshot("classrooms"), classes);
        fs::remove_all("classrooms");
        fs::rename("kept", "classrooms");
    }
}

// One ustar header and its content, as a hostile or careless program might write it.
std::string entry(const std::string& name, char type, const std::string& content = "",
                  const char* sizeField = nullptr, bool goodSum = true) {
    std::string h(512, '\0');
    h.replace(0, std::min<std::size_t>(name.size(), 100), name.substr(0, 100));
    h.replace(100, 7, "0000644");
    char size[16];
    std::snprintf(size, sizeof size, "%011o", static_cast<unsigned>(content.size()));
    h.replace(124, 12, sizeField != nullptr ? std::string(sizeField, 12) : std::string(size, 12));
    h.replace(136, 11, "00000000000");
    h[156] = type;
    h.replace(257, 8, std::string("ustar\0" "00", 8));
    h.replace(148, 8, "        ");
    unsigned sum = 0;
    for (const unsigned char c : h) sum += c;
    char text[8];
    std::snprintf(text, sizeof text, "%06o", goodSum ? sum : sum + 1);
    h.replace(148, 7, std::string(text, 7));
    std::string padded = content;
    padded.resize((content.size() + 511) / 512 * 512, '\0');
    return h + padded;
}

const std::string End(1024, '\0');
const std::string Index = entry("classrooms/classrooms", '0', " 1\r\nNew\r\n\r\n");

TEST_F(Archive, RestoreRefusesHostileAndDamagedFilesAndChangesNothing) {
    makeClasses();
    const std::string big(12, '\0');
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not an archive", "classrooms\r\n" + std::string(2000, 'x')},
        {"empty file", ""},
        {"no classroom index", entry("classrooms/room1/players", '0', " 0\r\n") + End},
        {"parent folder", Index + entry("classrooms/../evil", '0', "x") + End},
        {"absolute path", Index + entry("/tmp/evil", '0', "x") + End},
        {"outside classrooms", Index + entry("game/evil", '0', "x") + End},
        {"symbolic link", Index + entry("classrooms/room1", '2') + End},
        {"hard link", Index + entry("classrooms/room1", '1') + End},
        {"device", Index + entry("classrooms/room1", '3') + End},
        {"file too large", Index + entry("classrooms/huge", '0', "", "00010000001 ") + End},
        {"base-256 size", Index + entry("classrooms/huge", '0', "", "\x80\0\0\0\0\0\0\0\0\0\1\0") + End},
        {"bad checksum", Index + entry("classrooms/room1/players", '0', " 0\r\n", nullptr, false) + End},
        {"cut in a file", (Index + entry("classrooms/room1/players", '0', std::string(900, 'a'))).substr(0, 2100)},
        {"no end", Index + entry("classrooms/room1/players", '0', " 0\r\n")},
        {"file over folder", Index + entry("classrooms/room1/", '5') + entry("classrooms/room1", '0', "x") + End},
    };
    const auto before = snapshot(".");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream("bad.tar", std::ios::binary) << c.bytes;
        std::vector<std::string> names;
        EXPECT_NE(stageClassArchive("bad.tar", names), "");
        EXPECT_TRUE(names.empty());
        fs::remove("bad.tar");
        EXPECT_EQ(snapshot("."), before);
    }
    // The same pieces made whole are taken.
    std::ofstream("good.tar", std::ios::binary) << Index + entry("classrooms/room1/players", '0', " 0\r\n") + End;
    std::vector<std::string> names;
    ASSERT_EQ(stageClassArchive("good.tar", names), "");
    EXPECT_EQ(names, std::vector<std::string>{"New"});
    ASSERT_EQ(swapInStagedClassrooms(), "");
    EXPECT_EQ(snapshot("classrooms"), (std::map<std::string, std::string>{
                                          {"classrooms", " 1\r\nNew\r\n\r\n"}, {"room1/", ""}, {"room1/players", " 0\r\n"}}));
}

// The page's calls in the order its buttons make them: report, backup, then a restore of it over
// other classes, which first names the classrooms here and in the file.
TEST_F(Archive, CornerReportsBacksUpAndRestores) {
    makeClasses();
    ASSERT_EQ(tally_corner_report(), 1);
    EXPECT_NE(std::string(tally_corner_text()).find("Juniors"), std::string::npos);
    ASSERT_EQ(tally_corner_backup(), 1);
    const std::string backup = tally_corner_text();
    fs::remove_all("classrooms");
    EXPECT_EQ(tally_corner_classrooms(), 0);
    ClassroomList other;
    addClassroom(other, "Caf\x82", "");
    ASSERT_EQ(tally_corner_classrooms(), 1);
    EXPECT_EQ(std::string(tally_corner_text()), "Caf\u00e9\n");
    ASSERT_EQ(tally_corner_upload_path(), 1);
    const std::string upload = tally_corner_text();
    fs::remove(upload);
    EXPECT_EQ(tally_corner_stage(), 0);
    EXPECT_NE(std::string(tally_corner_text()), "");
    fs::rename(backup, upload);
    ASSERT_EQ(tally_corner_stage(), 1);
    EXPECT_EQ(std::string(tally_corner_text()), "Class 4A\nJuniors\n");
    ASSERT_EQ(tally_corner_restore(), 1);
    ClassroomList restored;
    loadClassrooms(restored);
    ASSERT_EQ(restored.count, 2);
    EXPECT_EQ(restored.items[1].password, "owl");
    fs::remove(upload);
}

}  // namespace
