// Serving the browser site's folder, and nothing else: no path climbs out of it.
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "api.h"

namespace fs = std::filesystem;

namespace {

struct FileType {
    const char* extension;
    const char* type;
};

constexpr FileType Types[] = {
    {".html", "text/html; charset=utf-8"}, {".js", "text/javascript"}, {".wasm", "application/wasm"},
    {".css", "text/css"},                  {".png", "image/png"},      {".ico", "image/x-icon"},
    {".json", "application/json"},         {".txt", "text/plain; charset=utf-8"},
    {".svg", "image/svg+xml"},
};

HttpAnswer notFound() {
    HttpAnswer a;
    a.status = 404;
    a.contentType = "text/plain; charset=utf-8";
    a.body = "Not found\n";
    return a;
}

// Whether every piece of the path is a plain name: not empty (but for a final "/"), not "." or
// "..", not hidden, not "classrooms", and without a backslash, a NUL or a colon.
bool plainPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string piece = path.substr(start, end - start);
        if (piece.empty() && end != path.size()) return false;
        if (!piece.empty() && piece[0] == '.') return false;
        // The saved data is never a file of the site, even when the site folder is a game folder.
        if (piece == "classrooms") return false;
        if (piece.find_first_of(std::string("\\:\0", 3)) != std::string::npos) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

HttpAnswer serveSite(const std::string& siteDir, const std::string& path) {
    if (siteDir.empty() || !plainPath(path)) return notFound();
    fs::path file = fs::path(siteDir) / path.substr(1);
    std::error_code ec;
    if (fs::is_directory(file, ec)) file /= "index.html";
    if (!fs::is_regular_file(file, ec)) return notFound();
    std::ifstream in(file, std::ios::binary);
    if (!in) return notFound();
    std::ostringstream content;
    content << in.rdbuf();
    HttpAnswer a;
    a.contentType = "application/octet-stream";
    const std::string extension = file.extension().string();
    for (const FileType& t : Types)
        if (extension == t.extension) a.contentType = t.type;
    a.body = content.str();
    return a;
}
