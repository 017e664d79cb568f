// Serving the browser site's folder, and nothing else: no path or link climbs out of it.
#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "http_rules.h"
#include "site.h"

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

// The real path of file when it is a plain file inside root (itself a real path), else "". A link
// inside the site folder to a place outside it (to "/", say) serves nothing there.
std::string fileInside(const fs::path& root, const fs::path& file) {
    std::error_code ec;
    const fs::path real = fs::canonical(file, ec);
    if (ec || !fs::is_regular_file(real, ec)) return "";
    const std::string text = real.string();
    const std::string prefix = root.string() + "/";
    return text.compare(0, prefix.size(), prefix) == 0 ? text : "";
}

std::int64_t modifiedNs(const struct stat& s) {
    return static_cast<std::int64_t>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
}

// A precompressed copy of real (a real path inside root) with this suffix, when there is one that
// is not older than the file: "" otherwise.
std::string copyOf(const fs::path& root, const std::string& real, const struct stat& original, const char* suffix) {
    const std::string copy = fileInside(root, real + suffix);
    struct stat s {};
    if (copy.empty() || stat(copy.c_str(), &s) != 0 || modifiedNs(s) < modifiedNs(original)) return "";
    return copy;
}

}  // namespace

HttpAnswer serveSiteFile(const std::string& siteDir, const std::string& path, const SiteRequest& request) {
    if (siteDir.empty() || !plainPath(path)) return notFound();
    std::error_code ec;
    const fs::path root = fs::canonical(siteDir, ec);
    if (ec) return notFound();
    fs::path asked = root / path.substr(1);
    if (fs::is_directory(asked, ec)) asked /= "index.html";
    const std::string real = fileInside(root, asked);
    struct stat original {};
    if (real.empty() || stat(real.c_str(), &original) != 0) return notFound();

    HttpAnswer a;
    a.contentType = "application/octet-stream";
    const std::string extension = fs::path(real).extension().string();
    for (const FileType& t : Types)
        if (extension == t.extension) a.contentType = t.type;
    const std::string brotli = copyOf(root, real, original, ".br");
    const std::string gzip = copyOf(root, real, original, ".gz");
    const std::string encoding = chooseEncoding(request.acceptEncoding, !brotli.empty(), !gzip.empty());
    const std::string tag = entityTag(static_cast<std::uint64_t>(original.st_size), modifiedNs(original), encoding);
    a.headers = {{"ETag", tag},
                 {"Last-Modified", httpDate(original.st_mtim.tv_sec)},
                 {"Cache-Control", "no-cache"},
                 {"Vary", "Accept-Encoding"}};
    if (!encoding.empty()) a.headers.emplace_back("Content-Encoding", encoding);
    if (notModified(request.ifNoneMatch, request.ifModifiedSince, tag, original.st_mtim.tv_sec)) {
        a.status = 304;
        return a;
    }
    a.file = encoding == "br" ? brotli : encoding == "gzip" ? gzip : real;
    struct stat sent {};
    if (stat(a.file.c_str(), &sent) != 0) return notFound();
    a.fileLength = static_cast<std::uint64_t>(sent.st_size);
    // Ranges of the file as it is only: a coded copy is sent whole.
    if (!encoding.empty()) return a;
    a.headers.emplace_back("Accept-Ranges", "bytes");
    if (request.range.empty() || (!request.ifRange.empty() && request.ifRange != tag)) return a;
    const ByteRange range = chooseRange(request.range, a.fileLength);
    const std::string size = std::to_string(a.fileLength);
    if (range.kind == ByteRange::Unsatisfiable) {
        a.status = 416;
        a.headers.emplace_back("Content-Range", "bytes */" + size);
        a.file.clear();
        a.fileLength = 0;
    } else if (range.kind == ByteRange::Part) {
        a.status = 206;
        a.headers.emplace_back("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                    std::to_string(range.first + range.length - 1) + "/" + size);
        a.fileOffset = range.first;
        a.fileLength = range.length;
    }
    return a;
}

HttpAnswer serveSite(const std::string& siteDir, const std::string& path) {
    HttpAnswer a = serveSiteFile(siteDir, path, SiteRequest{});
    if (a.file.empty()) return a;
    std::ifstream in(a.file, std::ios::binary);
    if (!in) return notFound();
    std::ostringstream content;
    content << in.rdbuf();
    a.body = content.str();
    a.file.clear();
    a.fileLength = 0;
    return a;
}
