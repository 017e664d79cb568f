// Serving the browser site's files with the validators, codings and ranges a browser asks for.
#pragma once
#include <string>

#include "api.h"

// The request's header fields that choose what of a site file is sent ("" when not given).
struct SiteRequest {
    std::string acceptEncoding;
    std::string ifNoneMatch;
    std::string ifModifiedSince;
    std::string range;
    std::string ifRange;
};

// What a GET (or HEAD) of path answers from the site folder siteDir. Only plain files whose real
// path, links resolved, stays inside the folder are served, never through a path with "..", a
// hidden name, a "classrooms", a backslash, a colon or a NUL; "/" and folders mean their
// index.html; anything else is 404. The answer names the file to send (HttpAnswer::file) rather
// than holding it: a precompressed copy beside it (NAME.br, NAME.gz, made by the build) when the
// client accepts that coding and the copy is not older than the file; 304 when the client's
// validators still match; 206 for a single range of the file as it is, 416 for one past its end.
// Every answer carries ETag, Last-Modified, "Cache-Control: no-cache" (the game is kept and
// checked again on each load, answered 304 until it changes) and "Vary: Accept-Encoding".
HttpAnswer serveSiteFile(const std::string& siteDir, const std::string& path, const SiteRequest& request);
