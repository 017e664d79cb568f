// Fuzzes the site handler's paths: whatever the path, it serves a file of the site folder or 404,
// never a file beside or above it, and never crashes.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "api.h"

namespace {

std::string site;

// The temporary folder, removed when the fuzzer ends.
std::string made;
void removeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(made, ec);
}

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/tally-sitefuzz-XXXXXX";
    require(mkdtemp(folder) != nullptr);
    made = folder;
    std::atexit(removeFolder);
    const std::filesystem::path root = folder;
    std::filesystem::create_directories(root / "site/sub");
    std::filesystem::create_directories(root / "site/classrooms");
    std::ofstream(root / "site/index.html") << "page";
    std::ofstream(root / "site/sub/a.js") << "code";
    std::ofstream(root / "site/classrooms/classrooms") << "SECRET";
    std::ofstream(root / "teacher") << "SECRET";
    site = (root / "site").string();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    const HttpAnswer a = serveSite(site, path);
    require(a.status == 200 || a.status == 404);
    if (a.status == 200) require(a.body == "page" || a.body == "code");
    require(a.body.find("SECRET") == std::string::npos);
    return 0;
}
