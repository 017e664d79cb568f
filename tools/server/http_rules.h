// The HTTP rules the classroom server applies before and around an answer, as pure functions: which
// Host names it answers, which byte range and encoding of a site file it sends, and its validators.
// No sockets, no files: the transport and the site handler call them, the tests drive them alone.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// A request's header section: at most this many fields and bytes (names and values), else 431. A
// browser sends about a dozen fields in well under 4 KB; the bounds stop a client from growing the
// server with header lines.
constexpr std::size_t HeaderCountLimit = 64;
constexpr std::size_t HeaderBytesLimit = 16 * 1024;

// The lowercase name of a Host value without its port and brackets ("School.Example.:8080" is
// "school.example", "[::1]:80" is "::1", in the address's shortest form), or "" when the value is
// not a host name, an IPv4 address or a bracketed IPv6 address with an optional numeric port.
std::string hostName(const std::string& hostHeader);

// Whether a request with this Host value is meant for this server, given its own names (each as
// hostName gives it: lowercase, no port, no brackets). A web page of another site that turned its
// own name's address into this server's (DNS rebinding) still sends its own name, so it is refused.
bool hostAllowed(const std::string& hostHeader, const std::vector<std::string>& ownNames);

// What a Range header asks of a file of size bytes. Only a single range is honoured: several
// ranges, or overlapping ones, are answered by the whole file once, so no answer is ever larger
// than the file. A malformed header is ignored (the whole file), as the HTTP rules allow.
struct ByteRange {
    enum Kind { Whole, Part, Unsatisfiable } kind = Whole;
    std::uint64_t first = 0;   // Part: the first byte sent
    std::uint64_t length = 0;  // Part: how many bytes from first (at least 1)
};
ByteRange chooseRange(const std::string& rangeHeader, std::uint64_t size);

// The content coding to send for an Accept-Encoding value, among those the file has beside it:
// "br", "gzip" or "" (the file as it is). The one the client weighs higher wins, brotli on a tie;
// a coding with q=0 is never chosen.
std::string chooseEncoding(const std::string& acceptEncoding, bool haveBrotli, bool haveGzip);

// The strong entity tag of one representation of a file: its size and modification time (ns), and
// the coding ("" for the file itself), quoted.
std::string entityTag(std::uint64_t size, std::int64_t modifiedNs, const std::string& encoding);

// Whether an If-None-Match value names tag ("*" or a list of tags, weak or strong).
bool tagMatches(const std::string& ifNoneMatch, const std::string& tag);

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") and back; parseHttpDate gives -1 when the text is
// not one.
std::string httpDate(std::time_t when);
std::time_t parseHttpDate(const std::string& text);

// Whether a conditional GET may be answered 304 Not Modified: If-None-Match decides when it is
// given (If-Modified-Since is then ignored); else an If-Modified-Since at or after the file's
// modification time (whole seconds).
bool notModified(const std::string& ifNoneMatch, const std::string& ifModifiedSince, const std::string& tag,
                 std::time_t modified);
