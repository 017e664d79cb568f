// The server's HTTP rules without sockets: Host names, ranges, codings, validators, and the site
// handler's choice of file (links out of the folder, precompressed copies, 304, ranges).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "http_rules.h"
#include "site.h"

namespace fs = std::filesystem;

namespace {

TEST(HttpRules, OnlyTheServersOwnNamesAreAnswered) {
    const std::vector<std::string> own = {"localhost", "127.0.0.1", "::1", "school.example", "192.168.1.10"};
    const struct {
        const char* host;
        bool allowed;
    } cases[] = {
        {"localhost", true},        {"LOCALHOST:8080", true},      {"school.example.", true},
        {"192.168.1.10:80", true},  {"[::1]:8080", true},          {"[0:0::1]", true},
        {"evil.example", false},    {"school.example.evil", false}, {"127.0.0.1.nip.io", false},
        {"::1", false},             {"localhost:80x", false},      {"local host", false},
        {"", false},                {"[::1", false},               {"192.168.1.10:99999999", false},
    };
    for (const auto& c : cases) EXPECT_EQ(hostAllowed(c.host, own), c.allowed) << c.host;
}

TEST(HttpRules, OneRangeIsHonouredAndSeveralGiveTheWholeFileOnce) {
    using K = ByteRange::Kind;
    const struct {
        const char* header;
        K kind;
        std::uint64_t first, length;
    } cases[] = {
        {"bytes=0-9", K::Part, 0, 10},       {"bytes=90-", K::Part, 90, 10},   {"bytes=-5", K::Part, 95, 5},
        {"bytes=50-500", K::Part, 50, 50},   {"bytes=-500", K::Part, 0, 100},  {"bytes=100-", K::Unsatisfiable, 0, 0},
        {"bytes=-0", K::Unsatisfiable, 0, 0}, {"bytes=0-,0-,0-", K::Whole, 0, 0}, {"bytes=0-5,3-9", K::Whole, 0, 0},
        {"bytes=9-3", K::Whole, 0, 0},       {"items=0-9", K::Whole, 0, 0},    {"bytes=x-9", K::Whole, 0, 0},
        {"bytes=99999999999999999999-", K::Whole, 0, 0},
    };
    for (const auto& c : cases) {
        const ByteRange r = chooseRange(c.header, 100);
        EXPECT_EQ(r.kind, c.kind) << c.header;
        if (c.kind == K::Part) {
            EXPECT_EQ(r.first * 1000 + r.length, c.first * 1000 + c.length) << c.header;
        }
    }
}

TEST(HttpRules, TheCodingIsTheOneTheClientWeighsHighestAmongTheCopies) {
    const struct {
        const char* accept;
        bool brotli, gzip;
        const char* chosen;
    } cases[] = {
        {"gzip, deflate, br", true, true, "br"},   {"gzip, deflate, br", false, true, "gzip"},
        {"gzip;q=1, br;q=0.5", true, true, "gzip"}, {"br;q=0, gzip", true, true, "gzip"},
        {"br", false, true, ""},                    {"*", true, true, "br"},
        {"*;q=0, identity", true, true, ""},        {"GZIP", true, true, "gzip"},
        {"gzip;q=2", true, true, ""},               {"", true, true, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseEncoding(c.accept, c.brotli, c.gzip), c.chosen) << c.accept;
}

TEST(HttpRules, ValidatorsDecideNotModified) {
    const std::string tag = entityTag(10, 1234, "gzip");
    EXPECT_NE(tag, entityTag(10, 1234, ""));
    EXPECT_EQ(parseHttpDate(httpDate(784111777)), 784111777);
    const struct {
        std::string ifNoneMatch, ifModifiedSince;
        bool notModified;
    } cases[] = {
        {tag, "", true},
        {"\"other\", W/" + tag, "", true},
        {"*", "", true},
        {"\"other\"", httpDate(2000), false},  // the tag decides when both are given
        {"", httpDate(1000), true},
        {"", httpDate(999), false},
        {"", "yesterday", false},
        {"", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(notModified(c.ifNoneMatch, c.ifModifiedSince, tag, 1000), c.notModified)
            << c.ifNoneMatch << " / " << c.ifModifiedSince;
}

SiteRequest ask(const std::string& acceptEncoding, const std::string& ifNoneMatch = "",
                const std::string& range = "") {
    SiteRequest r;
    r.acceptEncoding = acceptEncoding;
    r.ifNoneMatch = ifNoneMatch;
    r.range = range;
    return r;
}

// The site handler on a folder of its own: what file and answer each request gets.
TEST(SiteFiles, OnlyFilesInsideTheFolderAndTheirFreshCopiesAreSent) {
    const fs::path root = fs::temp_directory_path() / ("tally-site-" + std::to_string(getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "site");
    std::ofstream(root / "secret") << "password";
    std::ofstream(root / "site/game.js") << "let a = 1;";
    std::ofstream(root / "site/game.js.gz") << "gz";
    std::ofstream(root / "site/game.js.br") << "br";
    std::ofstream(root / "site/old.js") << "new";
    std::ofstream(root / "site/old.js.gz") << "stale";
    fs::last_write_time(root / "site/old.js.gz", fs::last_write_time(root / "site/old.js") - std::chrono::hours(1));
    fs::create_directory_symlink("/", root / "site/root");
    fs::create_symlink(root / "secret", root / "site/secret.txt");
    const std::string site = (root / "site").string();

    const HttpAnswer plain = serveSiteFile(site, "/game.js", ask(""));
    const std::string tag = plain.headers[0].second;
    const struct {
        const char* path;
        SiteRequest request;
        int status;
        const char* file;  // the name sent, "" for none
    } cases[] = {
        {"/game.js", ask(""), 200, "game.js"},
        {"/game.js", ask("gzip, br"), 200, "game.js.br"},
        {"/game.js", ask("gzip"), 200, "game.js.gz"},
        {"/old.js", ask("gzip"), 200, "old.js"},  // the copy is older than the file
        {"/game.js", ask("", tag), 304, ""},
        {"/game.js", ask("gzip", tag), 200, "game.js.gz"},  // another representation, another tag
        {"/game.js", ask("", "", "bytes=4-"), 206, "game.js"},
        {"/game.js", ask("", "", "bytes=40-"), 416, ""},
        {"/game.js", ask("", "", "bytes=0-,0-,0-,0-"), 200, "game.js"},
        {"/root/etc/passwd", ask(""), 404, ""},
        {"/secret.txt", ask(""), 404, ""},
        {"/../secret", ask(""), 404, ""},
    };
    for (const auto& c : cases) {
        const HttpAnswer a = serveSiteFile(site, c.path, c.request);
        EXPECT_EQ(a.status, c.status) << c.path << " " << c.request.acceptEncoding << c.request.range;
        EXPECT_EQ(a.file.empty() ? "" : fs::path(a.file).filename().string(), c.file) << c.path;
        if (a.status == 200 || a.status == 206) {
            EXPECT_LE(a.fileOffset + a.fileLength, fs::file_size(a.file)) << c.path;
        }
    }
    const HttpAnswer part = serveSiteFile(site, "/game.js", ask("", "", "bytes=4-"));
    EXPECT_EQ(part.fileOffset * 100 + part.fileLength, 406u);
    EXPECT_EQ(serveSite(site, "/game.js").body, "let a = 1;");
    fs::remove_all(root);
}

}  // namespace
